// A port program for the exec backend with nothing behind it: reads every
// request line and answers each read ("I <port>") with FF, as an empty port
// would. Raw read/write so that only the pipe itself is measured.
#include <string>

#include <unistd.h>

namespace {

bool WriteAll(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, size);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

int main() {
    std::string pending;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0) return 0;
        pending.append(chunk, static_cast<std::size_t>(n));
        std::string answers;
        std::size_t start = 0;
        for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos;
             start = end + 1)
            if (pending[start] == 'I') answers += "FF\n";
        pending.erase(0, start);
        if (!answers.empty() && !WriteAll(answers.data(), answers.size())) return 1;
    }
}
