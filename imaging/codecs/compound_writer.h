#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <memory>

typedef struct _GsfOutput GsfOutput;
typedef struct _GsfOutfile GsfOutfile;

namespace tavlo::codecs {

using ClassId = std::array<uchar, 16>;  // a class id in file byte order

// Writes an OLE2 compound file into memory through libgsf. Storages are opened from their parent
// and must be finished (closed) children first, as the container is laid out when the root is
// finished. Not thread-safe; one writer per file.
class CompoundWriter {
public:
    class Storage {
    public:
        Storage(GsfOutfile* outfile, bool* failed);
        ~Storage();
        Storage(Storage&& other) noexcept : m_outfile(other.m_outfile), m_failed(other.m_failed)
        {
            other.m_outfile = nullptr;
        }
        Storage(const Storage&) = delete;
        Storage& operator=(const Storage&) = delete;

        void setClassId(const ClassId& classId);
        Storage storage(const QString& name, const ClassId& classId);
        void stream(const QString& name, const QByteArray& bytes);
        // Closes the storage; its streams and storages must be closed already.
        void close();

    private:
        GsfOutfile* m_outfile;
        bool* m_failed;
    };

    CompoundWriter();
    ~CompoundWriter();

    Storage& root() { return *m_root; }
    // Closes the root and hands over the file's bytes; empty when anything failed.
    QByteArray finish();

private:
    GsfOutput* m_sink;
    bool m_failed = false;
    std::unique_ptr<Storage> m_root;
};

}  // namespace tavlo::codecs
