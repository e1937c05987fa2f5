#pragma once

#include <memory>
#include <string>

// Starting a partner program and watching it. Kept free of Qt.
//
// The program runs on its own: it keeps running when this program ends, and nothing here ever
// ends it. While this program runs it holds the process itself (a process handle on Windows, the
// child not yet reaped elsewhere) rather than its process id, so an id that the system hands to
// another program once the partner has ended can never pass for the partner.

// One started program.
class PartnerProcess
{
public:
    // Stops watching; the program itself keeps running.
    virtual ~PartnerProcess() = default;

    // The process id the system gave the program.
    virtual long long processId() const = 0;
    // True while the program runs; false once it has ended, and from then on.
    virtual bool isRunning() = 0;
    // The program's exit code once isRunning() has seen it end; -1 before, or when the system
    // does not say (a program ended by a signal).
    virtual long long exitCode() const = 0;
};

class PartnerProcessStarter
{
public:
    virtual ~PartnerProcessStarter() = default;

    // Starts the program file at path (UTF-8) as a new process: no arguments, this program's
    // current directory, its window shown normally. Returns nothing when the system refuses the
    // start; error then holds the system's reason in words for the user (UTF-8, Japanese where
    // the system has it so).
    virtual std::unique_ptr<PartnerProcess> start(const std::string& path, std::string& error) = 0;
};

// The system's own way of starting processes.
std::unique_ptr<PartnerProcessStarter> CreateSystemProcessStarter();
