// Runs a fuzz harness over every file of the folders (or files) named on the command line, the way
// libFuzzer replays a corpus, for builds without libFuzzer. The harness aborts on a finding.
#include <QByteArray>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// The input being replayed, named when the harness aborts on it.
QByteArray g_current;

void onAbort(int)
{
    std::fprintf(stderr, "finding on input %s\n", g_current.constData());
}

int runOne(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return 1;
    }
    const QByteArray bytes = file.readAll();
    g_current = QFile::encodeName(path);
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    return 0;
}
} // namespace

int main(int argc, char* argv[])
{
    std::signal(SIGABRT, onAbort);
    int failures = 0;
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        if (QFileInfo(path).isDir()) {
            QDirIterator it(path, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                failures += runOne(it.next());
                ++inputs;
            }
        } else {
            failures += runOne(path);
            ++inputs;
        }
    }
    std::printf("replayed %d inputs\n", inputs);
    return failures == 0 && inputs > 0 ? 0 : 1;
}
