#pragma once

namespace tavlo {

// A process-wide service with a stand-in: the program uses the Default implementation, created on
// first use; a test may install its own and later install nullptr to go back to the default.
template <class Service, class Default>
class ReplaceableService {
public:
    Service& get()
    {
        if (installed_)
            return *installed_;
        static Default fallback;
        return fallback;
    }
    void install(Service* service) { installed_ = service; }

private:
    Service* installed_ = nullptr;
};

}  // namespace tavlo
