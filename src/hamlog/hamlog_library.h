#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

// The five operations of HAMLOG's libraries, as the append calls them. Two backends sit behind
// this: HAMLOG's own DLLs on Windows, and the built-in SQLite store on systems where HAMLOG's
// libraries cannot exist.
//
// Every operation returns false when the call could not be made (a library or function that
// cannot be found) or when the backend reports a failure of its own; lastError() then says why,
// in words for the user. A true result says nothing about what the library did with the call:
// results the program relies on come back through the out-parameters.
class HamlogLibrary
{
public:
    virtual ~HamlogLibrary() = default;

    // version: the library's version; 0 means no usable library.
    virtual bool GetThdllVersion(qint32& version) = 0;
    // result: 0 when the database at path is open for appending through buffer, anything else
    // when it is not.
    virtual bool HamlogOpen(qint32 mode, unsigned char* buffer, const QString& path, qint32 option,
                            qint32& result) = 0;
    // Stores text as field index of the buffer's record; index 0 with an empty text begins a new
    // record.
    virtual bool SetThBuffer(unsigned char* buffer, const QString& text, qint32 index) = 0;
    // Appends the record held in the buffer to the open database.
    virtual bool THW_append(unsigned char* buffer, qint32 fieldCount, qint32& variable) = 0;
    // Closes the database; harmless when none is open.
    virtual bool HamlogClose(unsigned char* buffer, qint32 option) = 0;

    // True once the library itself is loaded (the failure path closes only then).
    virtual bool isLoaded() const = 0;
    virtual QString lastError() const = 0;
    // Short name of the backend for tools and diagnostics.
    virtual QString backendName() const = 0;

    // True when the backend keeps, with each record, the key its caller gave it (see
    // setNextRecordKey) in the same step as the record itself, and takes a record whose key it
    // holds already as appended without storing it a second time: an append made again, after a
    // crash cut off the caller's note that it was done, then doubles nothing. HAMLOG's libraries
    // cannot do this.
    virtual bool keepsRecordKeys() const { return false; }
    // The key the next THW_append keeps with its record (0: none). Cleared by that append.
    virtual void setNextRecordKey(qint64 key) { Q_UNUSED(key) }
};

// The one place that chooses the backend: HAMLOG's DLLs on Windows, where HAMLOG lives (never
// anything else there, even when they cannot be loaded), the built-in store on other systems.
std::unique_ptr<HamlogLibrary> CreateHamlogLibrary();

// The reason given when the database path names a folder rather than a file.
QString DatabaseIsFolderText(const QString& path);
