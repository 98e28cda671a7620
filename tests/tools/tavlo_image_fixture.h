#pragma once

// Runs tavlo-image as a script would, on files in a temporary folder of the test's own.

#include "imaging/codecs/image_file.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavlo {

using codecs::ImageFormat;

struct Outcome {
    int status = -1;
    QString out;
    QByteArray bytes;  // standard output as it came
    QString err;
};

class TavloImage : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_folder.filePath(name); }

    // Runs the tavlo-image built beside this test program with the words of the command line;
    // "@name" stands for a file in the test's folder.
    Outcome run(const QString& commandLine) const
    {
        return run(commandLine.split(QLatin1Char(' '), Qt::SkipEmptyParts));
    }
    Outcome run(QStringList arguments) const
    {
        for (QString& argument : arguments) {
            if (argument.startsWith(QLatin1Char('@')))
                argument = path(argument.mid(1));
        }
        return runProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/tavlo-image"),
                          arguments);
    }

    // Runs any program (found on PATH) with these arguments and waits for its end.
    static Outcome runProgram(const QString& program, const QStringList& arguments)
    {
        QProcess process;
        process.start(program, arguments);
        Outcome outcome;
        if (!process.waitForFinished(60000))
            return outcome;
        outcome.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        outcome.bytes = process.readAllStandardOutput();
        outcome.out = QString::fromUtf8(outcome.bytes);
        outcome.err = QString::fromUtf8(process.readAllStandardError());
        return outcome;
    }

    void save(const Image& image, const QString& name, ImageFormat format = ImageFormat::Bmp) const
    {
        ASSERT_EQ(codecs::writeImageFile(image, path(name), format), QString());
    }

    QTemporaryDir m_folder;
};

}  // namespace tavlo
