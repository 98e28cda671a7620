#pragma once

namespace tavlo {

// A process-wide service with a stand-in: the program uses the Default implementation, created on
// first use; a test may install its own and later install nullptr to go back to the default.
template <class Service, class Default> class ReplaceableService {
public:
    Service& get()
    {
        if (m_installed)
            return *m_installed;
        static Default fallback;
        return fallback;
    }
    void install(Service* service) { m_installed = service; }

private:
    Service* m_installed = nullptr;
};

}  // namespace tavlo
