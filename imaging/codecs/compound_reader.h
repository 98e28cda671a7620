#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>

typedef struct _GsfInput GsfInput;
typedef struct _GsfInfile GsfInfile;

namespace tavlo::codecs {

// Sets libgsf up once per process, from any thread; the reader and the writer call it.
void initialiseCompoundFiles();

// Reads the storages and streams of an OLE2 compound file held in memory, through libgsf (which
// parses the container: sectors, allocation tables, directory). The bytes must outlive the
// reader. Not thread-safe; one reader per file.
class CompoundReader {
public:
    // One stream, read at any offset.
    class Stream {
    public:
        explicit Stream(GsfInput* input);
        ~Stream();
        Stream(Stream&&) noexcept;
        Stream(const Stream&) = delete;
        Stream& operator=(const Stream&) = delete;
        qint64 size() const { return m_size; }
        // length bytes at offset into out; false when they are not all there.
        bool readAt(qint64 offset, qint64 length, uchar* out) const;

    private:
        GsfInput* m_input;
        qint64 m_size;
    };

    // Null when the bytes are not a compound file libgsf accepts.
    static std::unique_ptr<CompoundReader> open(const QByteArray& bytes);
    ~CompoundReader();

    // The class id of the root storage, in file byte order.
    std::array<uchar, 16> rootClassId() const;

    // The stream at path (storage names, then the stream's name); nothing when any part is
    // missing or the last part is a storage.
    std::optional<Stream> stream(const QStringList& path) const;
    // The whole stream, when it holds at most maxBytes.
    std::optional<QByteArray> readStream(const QStringList& path, qint64 maxBytes) const;
    // True when path names a storage.
    bool hasStorage(const QStringList& path) const;

private:
    CompoundReader(GsfInput* source, GsfInfile* root);
    GsfInput* child(const QStringList& path) const;

    GsfInput* m_source;
    GsfInfile* m_root;
};

}  // namespace tavlo::codecs
