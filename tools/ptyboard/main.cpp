// A stand-in board on a pseudo-terminal, for running the program where no board or emulator is at
// hand: prints the device path, then answers every line ended by CR with "OK <line>".
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <pty.h>
#include <string>
#include <termios.h>
#include <unistd.h>

int main(int argc, char* argv[])
{
    int board = -1;
    int slave = -1;
    char name[256] = {};
    if (openpty(&board, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    if (argc > 1) {
        // A fixed name for scripts: a symbolic link to the pseudo-terminal.
        unlink(argv[1]);
        if (symlink(name, argv[1]) != 0)
            std::perror("symlink");
    }
    std::printf("%s\n", name);
    std::fflush(stdout);

    std::string line;
    char byte = 0;
    while (true) {
        const ssize_t count = read(board, &byte, 1);
        if (count <= 0) {
            if (count < 0 && errno == EINTR)
                continue;
            // Nobody has the line open; the slave we keep open makes this rare, so just wait.
            usleep(10000);
            continue;
        }
        if (byte == '\n')
            continue;
        if (byte != '\r') {
            if (line.size() < 64)
                line += byte;
            continue;
        }
        const std::string reply = "OK " + line + "\r\n";
        (void)!write(board, reply.data(), reply.size());
        line.clear();
    }
}
