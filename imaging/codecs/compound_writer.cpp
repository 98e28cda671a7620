#include "imaging/codecs/compound_writer.h"

#include "imaging/codecs/compound_reader.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

namespace tavlo::codecs {

CompoundWriter::Storage::Storage(GsfOutfile* outfile, bool* failed)
    : m_outfile(outfile), m_failed(failed)
{
    if (!m_outfile)
        *m_failed = true;
}

CompoundWriter::Storage::~Storage()
{
    close();
}

void CompoundWriter::Storage::setClassId(const ClassId& classId)
{
    if (!m_outfile || !gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(m_outfile), classId.data()))
        *m_failed = true;
}

CompoundWriter::Storage CompoundWriter::Storage::storage(const QString& name,
                                                         const ClassId& classId)
{
    GsfOutput* child =
        m_outfile ? gsf_outfile_new_child(m_outfile, name.toUtf8().constData(), TRUE) : nullptr;
    Storage storage(child ? GSF_OUTFILE(child) : nullptr, m_failed);
    if (child)
        storage.setClassId(classId);
    return storage;
}

void CompoundWriter::Storage::stream(const QString& name, const QByteArray& bytes)
{
    GsfOutput* child =
        m_outfile ? gsf_outfile_new_child(m_outfile, name.toUtf8().constData(), FALSE) : nullptr;
    if (!child) {
        *m_failed = true;
        return;
    }
    if (!gsf_output_write(child, size_t(bytes.size()),
                          reinterpret_cast<const guint8*>(bytes.constData())))
        *m_failed = true;
    if (!gsf_output_close(child))
        *m_failed = true;
    g_object_unref(child);
}

void CompoundWriter::Storage::close()
{
    if (!m_outfile)
        return;
    if (!gsf_output_close(GSF_OUTPUT(m_outfile)))
        *m_failed = true;
    g_object_unref(m_outfile);
    m_outfile = nullptr;
}

CompoundWriter::CompoundWriter()
{
    initialiseCompoundFiles();
    m_sink = gsf_output_memory_new();
    m_root = std::make_unique<Storage>(m_sink ? gsf_outfile_msole_new(m_sink) : nullptr, &m_failed);
}

CompoundWriter::~CompoundWriter()
{
    m_root.reset();
    if (m_sink)
        g_object_unref(m_sink);
}

QByteArray CompoundWriter::finish()
{
    m_root->close();
    // Closing the root closes the sink too.
    if (m_failed || !m_sink || (!gsf_output_is_closed(m_sink) && !gsf_output_close(m_sink)))
        return QByteArray();
    GsfOutputMemory* memory = GSF_OUTPUT_MEMORY(m_sink);
    const qint64 size = qint64(gsf_output_size(m_sink));
    const guint8* bytes = gsf_output_memory_get_bytes(memory);
    return bytes ? QByteArray(reinterpret_cast<const char*>(bytes), qsizetype(size)) : QByteArray();
}

}  // namespace tavlo::codecs
