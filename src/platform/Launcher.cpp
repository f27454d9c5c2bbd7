#include "Platform.h"

#include "CommandLine.h"
#include "FsPath.h"

#include <QByteArray>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// The program piece of a command line as a file to execute: a bare name is
// looked up on PATH the way a shell would; anything with a "/" is taken as it
// stands (relative to the working folder). Empty when there is nothing to run:
// no program, or not an executable file (a folder, a missing path), so that
// no process is made only to fail.
QByteArray resolveProgram(const QString& program)
{
    if (program.isEmpty()) return {};
    QString path = program;
    if (!program.contains(QLatin1Char('/'))) path = QStandardPaths::findExecutable(program);
    if (path.isEmpty() || FsPath::kind(path) != FsPath::Kind::File) return {};
    const QByteArray bytes = FsPath::encodeName(path);
    return ::access(bytes.constData(), X_OK) == 0 ? bytes : QByteArray();
}

// Runs in the grandchild between fork and exec, so it may only use
// async-signal-safe calls.
[[noreturn]] void execInGrandchild(const char* program, char* const* argv)
{
    // Its own session, so that a terminal's Ctrl+C aimed at the viewer does not
    // reach the started program.
    ::setsid();
    // Start with a clean signal state: nothing blocked, SIGPIPE as usual.
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    // The viewer's own files (settings being written, sockets of the desktop
    // session) are not handed down; the three standard streams are.
    ::close_range(3, ~0U, 0);
    ::execve(program, argv, environ);
    ::_exit(127);
}

} // namespace

// The program is started through a double fork: the intermediate child exits at
// once and is reaped here, and the grandchild that runs the program is adopted
// by init, so no zombie is left behind and the viewer never waits for it.
// Arguments are handed over as separate strings, never through a shell, so a
// file name holding shell characters reaches the program literally.
void RealPlatform::startProgram(const QString& commandLine)
{
    // The program is the line's own first piece and nothing else: a line that
    // starts with a blank (a slot with an empty path) starts nothing, rather
    // than taking the file or option after the blank for the program.
    const QByteArray program = resolveProgram(CommandLine::program(commandLine));
    if (program.isEmpty()) return;
    const QStringList pieces = CommandLine::split(commandLine);

    // Everything the children need is prepared before forking.
    std::vector<QByteArray> args;
    args.reserve(pieces.size());
    for (const QString& p : pieces) args.push_back(FsPath::encodeName(p));
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (QByteArray& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child < 0) return;
    if (child == 0) {
        const pid_t grandchild = ::fork();
        if (grandchild == 0) execInGrandchild(program.constData(), argv.data());
        ::_exit(0);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}
