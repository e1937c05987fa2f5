#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QStringList>

// The programs built beside the tests (velkor-cli, velkor-demo-partner), run to their end.
struct ToolRun
{
    int status = -1; // -1 when the program did not end normally within the time
    QString out;
    QString err;
};

inline QString ToolPath(const QString& name)
{
    QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/") + name;
#ifdef Q_OS_WIN
    program += QStringLiteral(".exe");
#endif
    return program;
}

inline ToolRun RunTool(const QString& name, const QStringList& args)
{
    ToolRun run;
    QProcess process;
    process.start(ToolPath(name), args);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.status = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
