#pragma once

#include "hamlog/hamlog_library.h"

#include <QList>
#include <QStringList>

#include <array>

// Stands in for HAMLOG's libraries: logs every call, keeps the records appended, and can be told
// what to answer or where to fail.
class FakeHamlogLibrary : public HamlogLibrary
{
public:
    using Record = std::array<QString, 17>;

    qint32 version = 0x525;
    qint32 openResult = 0;
    bool loaded = true;
    QString failingCall;       // name of the operation that cannot be called ("THW_append", ...)
    int failAfterAppends = -1; // THW_append fails once this many records were appended
    QString error = QStringLiteral("fake failure");

    QStringList calls; // "GetThdllVersion", "HamlogOpen path", "SetThBuffer 3 12:34", ...
    QList<Record> appended;
    bool open = false;
    bool bufferMatched = true; // every call got the same buffer address

    bool GetThdllVersion(qint32& v) override
    {
        if (!enter(QStringLiteral("GetThdllVersion"), nullptr))
            return false;
        v = version;
        return true;
    }
    bool HamlogOpen(qint32 mode, unsigned char* buffer, const QString& path, qint32 option,
                    qint32& result) override
    {
        if (!enter(QStringLiteral("HamlogOpen %1 %2 %3").arg(mode).arg(path).arg(option), buffer))
            return false;
        result = openResult;
        open = openResult == 0;
        return true;
    }
    bool SetThBuffer(unsigned char* buffer, const QString& text, qint32 index) override
    {
        if (!enter(QStringLiteral("SetThBuffer %1 %2").arg(index).arg(text), buffer))
            return false;
        if (index == 0 && text.isEmpty())
            held.fill(QString());
        else if (index > 0 && index <= 16)
            held[size_t(index)] = text;
        return true;
    }
    bool THW_append(unsigned char* buffer, qint32 count, qint32& variable) override
    {
        if (!enter(QStringLiteral("THW_append %1 %2").arg(count).arg(variable), buffer))
            return false;
        if (failAfterAppends >= 0 && appended.size() >= failAfterAppends) {
            lastErrorText = error;
            return false;
        }
        if (open)
            appended.append(held);
        return true;
    }
    bool HamlogClose(unsigned char* buffer, qint32 option) override
    {
        if (!enter(QStringLiteral("HamlogClose %1").arg(option), buffer))
            return false;
        open = false;
        return true;
    }
    bool isLoaded() const override { return loaded; }
    QString lastError() const override { return lastErrorText; }
    QString backendName() const override { return QStringLiteral("fake"); }

    // The calls without the SetThBuffer ones, for checking the order of open, append and close.
    QStringList outline() const
    {
        QStringList out;
        for (const QString& c : calls) {
            if (!c.startsWith(QLatin1String("SetThBuffer")))
                out << c.section(QLatin1Char(' '), 0, 0);
        }
        return out;
    }

private:
    bool enter(const QString& call, unsigned char* buffer)
    {
        calls << call;
        if (buffer) {
            if (!firstBuffer)
                firstBuffer = buffer;
            bufferMatched = bufferMatched && buffer == firstBuffer;
        }
        if (call.section(QLatin1Char(' '), 0, 0) == failingCall) {
            lastErrorText = error;
            return false;
        }
        return true;
    }

    Record held;
    unsigned char* firstBuffer = nullptr;
    QString lastErrorText;
};

// Hands every call to a library the test keeps, so that it outlives the pipelines built over it
// (a restart of the program on the same database).
class BorrowedHamlogLibrary : public HamlogLibrary
{
public:
    explicit BorrowedHamlogLibrary(HamlogLibrary& library) : m_library(library) {}

    bool GetThdllVersion(qint32& v) override { return m_library.GetThdllVersion(v); }
    bool HamlogOpen(qint32 mode, unsigned char* buffer, const QString& path, qint32 option, qint32& result) override
    {
        return m_library.HamlogOpen(mode, buffer, path, option, result);
    }
    bool SetThBuffer(unsigned char* buffer, const QString& text, qint32 index) override
    {
        return m_library.SetThBuffer(buffer, text, index);
    }
    bool THW_append(unsigned char* buffer, qint32 count, qint32& variable) override
    {
        return m_library.THW_append(buffer, count, variable);
    }
    bool HamlogClose(unsigned char* buffer, qint32 option) override { return m_library.HamlogClose(buffer, option); }
    bool isLoaded() const override { return m_library.isLoaded(); }
    QString lastError() const override { return m_library.lastError(); }
    QString backendName() const override { return m_library.backendName(); }
    bool keepsRecordKeys() const override { return m_library.keepsRecordKeys(); }
    void setNextRecordKey(qint64 key) override { m_library.setNextRecordKey(key); }

private:
    HamlogLibrary& m_library;
};
