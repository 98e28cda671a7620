#include "imaging/codecs/compound_reader.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile-impl.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>

#include <mutex>

namespace tavlo::codecs {
namespace {

void dropMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) { }

}  // namespace

// libgsf reports what it finds wrong in a damaged container on standard error (warnings and
// failed checks). Those files are refused with our own reason, so the messages are dropped.
void initialiseCompoundFiles()
{
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        const auto levels =
            GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE);
        for (const char* domain : {"libgsf", "libgsf:msole"})
            g_log_set_handler(domain, levels, dropMessage, nullptr);
    });
}

namespace {

// The child of that name, without the warning gsf_infile_child_by_name prints on standard error
// when a damaged container cannot give it.
GsfInput* childByName(GsfInfile* parent, const QString& name)
{
    GError* error = nullptr;
    auto* type = G_TYPE_INSTANCE_GET_CLASS(parent, GSF_INFILE_TYPE, GsfInfileClass);
    GsfInput* child = type->child_by_name(parent, name.toUtf8().constData(), &error);
    if (error) {
        g_error_free(error);
        if (child)
            g_object_unref(child);
        return nullptr;
    }
    return child;
}

}  // namespace

CompoundReader::Stream::Stream(GsfInput* input)
    : m_input(input), m_size(qint64(gsf_input_size(input)))
{
}

CompoundReader::Stream::~Stream()
{
    if (m_input)
        g_object_unref(m_input);
}

CompoundReader::Stream::Stream(Stream&& other) noexcept
    : m_input(other.m_input), m_size(other.m_size)
{
    other.m_input = nullptr;
}

bool CompoundReader::Stream::readAt(qint64 offset, qint64 length, uchar* out) const
{
    if (offset < 0 || length < 0 || offset > m_size || length > m_size - offset)
        return false;
    if (length == 0)
        return true;
    if (gsf_input_seek(m_input, gsf_off_t(offset), G_SEEK_SET))  // true means failure
        return false;
    return gsf_input_read(m_input, size_t(length), out) != nullptr;
}

std::unique_ptr<CompoundReader> CompoundReader::open(const QByteArray& bytes)
{
    initialiseCompoundFiles();
    GsfInput* source = gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.constData()),
                                            gsf_off_t(bytes.size()), FALSE);
    if (!source)
        return nullptr;
    GError* error = nullptr;
    GsfInfile* root = gsf_infile_msole_new(source, &error);
    if (error)
        g_error_free(error);
    if (!root) {
        g_object_unref(source);
        return nullptr;
    }
    return std::unique_ptr<CompoundReader>(new CompoundReader(source, root));
}

CompoundReader::CompoundReader(GsfInput* source, GsfInfile* root) : m_source(source), m_root(root)
{
}

CompoundReader::~CompoundReader()
{
    g_object_unref(m_root);
    g_object_unref(m_source);
}

std::array<uchar, 16> CompoundReader::rootClassId() const
{
    std::array<uchar, 16> id{};
    gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(m_root), id.data());
    return id;
}

GsfInput* CompoundReader::child(const QStringList& path) const
{
    GsfInput* current = GSF_INPUT(g_object_ref(m_root));
    for (const QString& name : path) {
        GsfInput* next = GSF_IS_INFILE(current) ? childByName(GSF_INFILE(current), name) : nullptr;
        g_object_unref(current);
        if (!next)
            return nullptr;
        current = next;
    }
    return current;
}

std::optional<CompoundReader::Stream> CompoundReader::stream(const QStringList& path) const
{
    GsfInput* input = child(path);
    if (!input)
        return std::nullopt;
    if (GSF_IS_INFILE(input) && gsf_infile_num_children(GSF_INFILE(input)) >= 0) {
        g_object_unref(input);
        return std::nullopt;
    }
    return Stream(input);
}

std::optional<QByteArray> CompoundReader::readStream(const QStringList& path, qint64 maxBytes) const
{
    const std::optional<Stream> s = stream(path);
    if (!s || s->size() > maxBytes)
        return std::nullopt;
    QByteArray bytes(qsizetype(s->size()), Qt::Uninitialized);
    if (!s->readAt(0, s->size(), reinterpret_cast<uchar*>(bytes.data())))
        return std::nullopt;
    return bytes;
}

bool CompoundReader::hasStorage(const QStringList& path) const
{
    GsfInput* input = child(path);
    if (!input)
        return false;
    const bool storage = GSF_IS_INFILE(input) && gsf_infile_num_children(GSF_INFILE(input)) >= 0;
    g_object_unref(input);
    return storage;
}

}  // namespace tavlo::codecs
