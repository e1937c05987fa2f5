#pragma once

#include "platform/partner_process.h"

#include <QList>
#include <QStringList>

#include <memory>

// Starts nothing: records every start and hands out processes whose end the test decides.
class FakePartnerProcessStarter : public PartnerProcessStarter
{
public:
    // What a test sees of one process it handed out, also after the window has let it go.
    struct State
    {
        long long id = 0;
        bool running = true;
        int polls = 0;         // isRunning() calls
        bool released = false; // the watcher has let the process go
    };

    QStringList started;     // the paths, in order
    std::string refusal;     // when set, every start is refused with this reason
    long long nextId = 4001; // process id of the next start
    QList<std::shared_ptr<State>> processes;

    std::unique_ptr<PartnerProcess> start(const std::string& path, std::string& error) override
    {
        started << QString::fromStdString(path);
        if (!refusal.empty()) {
            error = refusal;
            return nullptr;
        }
        auto state = std::make_shared<State>();
        state->id = nextId++;
        processes << state;
        return std::unique_ptr<PartnerProcess>(new Process(state));
    }

    std::shared_ptr<State> last() const { return processes.isEmpty() ? nullptr : processes.last(); }

private:
    class Process : public PartnerProcess
    {
    public:
        explicit Process(std::shared_ptr<State> state) : m_state(std::move(state)) {}
        ~Process() override { m_state->released = true; }
        long long processId() const override { return m_state->id; }
        bool isRunning() override
        {
            ++m_state->polls;
            return m_state->running;
        }
        long long exitCode() const override { return m_state->running ? -1 : 0; }

    private:
        std::shared_ptr<State> m_state;
    };
};
