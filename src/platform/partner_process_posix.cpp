#include "platform/partner_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// The partner is started with fork and exec rather than through a detaching helper: it stays this
// program's child, so its process id cannot go to another program before this program has
// reaped it, and the watch reads its end with waitpid. A new session keeps the terminal's hang-up
// and Ctrl+C from reaching it; when this program ends, the system adopts it and it runs on.

namespace {

// Children no longer watched (a later launch took their place) that are still to be reaped when
// they end, so that none stays behind as a zombie while this program runs.
std::vector<pid_t>& unwatchedChildren()
{
    static std::vector<pid_t> children;
    return children;
}

pid_t waitNoHang(pid_t pid, int* status)
{
    pid_t result;
    do {
        result = waitpid(pid, status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    return result;
}

void reapUnwatchedChildren()
{
    std::vector<pid_t>& children = unwatchedChildren();
    for (auto it = children.begin(); it != children.end();) {
        // 0: still running. Otherwise reaped now, or no longer ours to reap.
        if (waitNoHang(*it, nullptr) == 0)
            ++it;
        else
            it = children.erase(it);
    }
}

std::string reasonFor(int error)
{
    switch (error) {
    case ENOENT:
        // The file was there a moment ago: most often the interpreter a script names is missing.
        return "ファイル、またはその実行に必要なプログラムが見つかりません。";
    case EACCES:
        return "アクセスが拒否されました（実行する権限がありません）。";
    case EPERM:
        return "この操作は許可されていません。";
    case ENOEXEC:
        return "実行できる形式のファイルではありません。";
    case ETXTBSY:
        return "ファイルは書き込み中のため実行できません。";
    case ENOTDIR:
        return "パスの途中にディレクトリでないものがあります。";
    case ENAMETOOLONG:
        return "ファイル名が長すぎます。";
    case ELOOP:
        return "シンボリック リンクが多すぎます。";
    case ENOMEM:
        return "メモリが足りません。";
    case EAGAIN:
        return "これ以上プロセスを作成できません。";
    case EIO:
        return "入出力エラーが発生しました。";
    default:
        break;
    }
    return "システム エラー " + std::to_string(error) + " (" + std::strerror(error) + ")";
}

class PosixPartnerProcess : public PartnerProcess
{
public:
    explicit PosixPartnerProcess(pid_t pid) : m_pid(pid) {}
    ~PosixPartnerProcess() override
    {
        if (m_running)
            unwatchedChildren().push_back(m_pid);
    }

    long long processId() const override { return m_pid; }

    bool isRunning() override
    {
        if (!m_running)
            return false;
        reapUnwatchedChildren();
        int status = 0;
        const pid_t result = waitNoHang(m_pid, &status);
        if (result == 0)
            return true;
        // Reaped now, or reaped by someone else (ECHILD): ended either way. The id is not looked
        // at again, whoever gets it next.
        m_running = false;
        if (result == m_pid && WIFEXITED(status))
            m_exitCode = WEXITSTATUS(status);
        return false;
    }

    long long exitCode() const override { return m_exitCode; }

private:
    pid_t m_pid;
    bool m_running = true;
    long long m_exitCode = -1;
};

class PosixProcessStarter : public PartnerProcessStarter
{
public:
    std::unique_ptr<PartnerProcess> start(const std::string& path, std::string& error) override
    {
        reapUnwatchedChildren();

        // The child reports a failed exec through this pipe; a successful exec closes it.
        int report[2];
#if defined(__linux__)
        const bool piped = pipe2(report, O_CLOEXEC) == 0;
#else
        const bool piped = pipe(report) == 0;
        if (piped) {
            fcntl(report[0], F_SETFD, FD_CLOEXEC);
            fcntl(report[1], F_SETFD, FD_CLOEXEC);
        }
#endif
        if (!piped) {
            error = reasonFor(errno);
            return nullptr;
        }

        char* const argv[] = {const_cast<char*>(path.c_str()), nullptr};
        const pid_t pid = fork();
        if (pid < 0) {
            error = reasonFor(errno);
            close(report[0]);
            close(report[1]);
            return nullptr;
        }
        if (pid == 0) {
            // Only async-signal-safe calls until exec: this program has other threads.
            setsid();
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            // Signals this program ignores would stay ignored in the partner.
            struct sigaction defaults;
            std::memset(&defaults, 0, sizeof defaults);
            defaults.sa_handler = SIG_DFL;
            sigaction(SIGPIPE, &defaults, nullptr);
            sigaction(SIGCHLD, &defaults, nullptr);
            execv(path.c_str(), argv);
            const int failure = errno;
            ssize_t ignored = write(report[1], &failure, sizeof failure);
            (void)ignored;
            _exit(127);
        }

        close(report[1]);
        int failure = 0;
        ssize_t got;
        do {
            got = read(report[0], &failure, sizeof failure);
        } while (got < 0 && errno == EINTR);
        close(report[0]);
        if (got == static_cast<ssize_t>(sizeof failure)) {
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            error = reasonFor(failure);
            return nullptr;
        }
        return std::make_unique<PosixPartnerProcess>(pid);
    }
};

} // namespace

std::unique_ptr<PartnerProcessStarter> CreateSystemProcessStarter()
{
    return std::make_unique<PosixProcessStarter>();
}
