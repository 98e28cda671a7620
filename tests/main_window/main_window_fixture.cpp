#include "tests/main_window/main_window_fixture.h"

#include "environment/cp932.h"
#include "environment/settings_store.h"
#include "imaging/current_image.h"
#include "imaging/file_object.h"

#include <QFile>

namespace tavlo::test {

void MainWindowTest::SetUp()
{
    ASSERT_TRUE(m_program.isValid() && m_user.isValid());
    m_saved = processValues();
    ProcessValues& pv = processValues();
    pv.programName = QStringLiteral("tavlo");
    pv.programFolderPath = m_program.path() + QLatin1Char('/');
    pv.started = true;
    pv.ending = false;
    writeFile(m_program.path() + QStringLiteral("/UserData.ini"), m_user.path().toUtf8());
    releaseSettingsStore();
}

void MainWindowTest::TearDown()
{
    releaseSettingsStore();
    processValues() = m_saved;
}

std::unique_ptr<fmMain> MainWindowTest::start()
{
    auto window = std::make_unique<fmMain>();
    window->endProgram = [this] { ++ended; };
    return window;
}

QByteArray MainWindowTest::readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

::testing::AssertionResult MainWindowTest::noMessages() const
{
    if (prompt.messages().isEmpty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << prompt.messages().join(u'|').toStdString();
}

void MainWindowTest::writeUserXml(const QString& text) const
{
    writeFile(userXml(), Cp932::encode(text));
}

void MainWindowTest::writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

void MainWindowTest::writeBmp(const QString& path, int width, int height)
{
    CurrentImage current;
    Image image = Image::create(width, height, ColourCode::Rgb24);
    image.pixels().fill(QColor(200, 40, 40));
    current.replace(std::move(image));
    FileObject file(current);
    file.setFileName(path);
    ASSERT_TRUE(file.SaveFile(0, current.handle()));
}

QString MainWindowTest::settingsText(const QList<QPair<QString, QString>>& form,
                                     const QList<QPair<QString, QString>>& user)
{
    const auto section = [](const QString& name, const QList<QPair<QString, QString>>& items) {
        QString text = QStringLiteral("   <") + name + QStringLiteral(">\r\n");
        for (const auto& [key, value] : items)
            text += QStringLiteral("      <%1>%2</%1>\r\n").arg(key, value);
        return text + QStringLiteral("   </") + name + QStringLiteral(">\r\n");
    };
    return QStringLiteral("<?xml version='1.0' encoding='Shift-JIS' ?>\r\n<運用>\r\n") +
           section(QStringLiteral("ﾌｫｰﾑ"), form) + section(QStringLiteral("ﾕｰｻﾞｰ"), user) +
           QStringLiteral("</運用>");
}

}  // namespace tavlo::test
