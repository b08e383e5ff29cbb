#include "buffers/SrecordCodec.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <sys/mman.h>
#include <unistd.h>

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#pragma GCC diagnostic ignored "-Wold-style-cast"
#pragma GCC diagnostic ignored "-Woverloaded-virtual"
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
#include <srecord/input/file/intel.h>
#include <srecord/output/file/intel.h>
#include <srecord/quit.h>
#include <srecord/record.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// Debian's libsrecord-dev ships the Motorola reader and writer in the library but
// not their headers; only their factory functions are needed here.
namespace srecord {
class input_file_motorola {
  public:
    static input_file::pointer create(const std::string& file_name);
};
class output_file_motorola {
  public:
    static output_file::pointer create(const std::string& file_name);
};
} // namespace srecord

namespace quorbit {
namespace {

struct BadRecord : std::runtime_error {
    using std::runtime_error::runtime_error;
};

/// The library reports a bad record by printing a message and calling exit();
/// this keeps the message and turns the exit into an exception, so a bad file
/// can never end the program.
class ThrowingQuit : public srecord::quit {
  public:
    void fatal_error_v(const char* format, va_list args) override {
        message_v(format, args);
        exit(1);
    }
    void fatal_error_errno_v(const char* format, va_list args) override {
        const int error = errno;
        message_v(format, args);
        last_ += std::string(": ") + std::strerror(error);
        exit(1);
    }
    void warning_v(const char*, va_list) override {} // e.g. "no header record": harmless

  protected:
    void exit(int) override { throw BadRecord(last_); }
    void message_v(const char* format, va_list args) override {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        last_ = text;
    }

  private:
    std::string last_;
};

/// An anonymous in-memory file the library can open by name.
class MemoryFile {
  public:
    MemoryFile() : fd_(::memfd_create("quorbit-image", MFD_CLOEXEC)) {
        if (fd_ < 0)
            throw std::runtime_error(std::string("no memory file: ") + std::strerror(errno));
    }
    ~MemoryFile() { ::close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    [[nodiscard]] std::string Name() const { return "/proc/self/fd/" + std::to_string(fd_); }
    void Write(const std::string& text) const {
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n =
                ::pwrite(fd_, text.data() + done, text.size() - done, static_cast<off_t>(done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) throw std::runtime_error(std::strerror(errno));
            done += static_cast<std::size_t>(n);
        }
    }
    [[nodiscard]] std::string Read() const {
        std::string text;
        char chunk[65536];
        off_t at = 0;
        for (;;) {
            const ssize_t n = ::pread(fd_, chunk, sizeof chunk, at);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) throw std::runtime_error(std::strerror(errno));
            if (n == 0) return text;
            text.append(chunk, static_cast<std::size_t>(n));
            at += n;
        }
    }

  private:
    int fd_;
};

/// "NAME: LINE: reason" from the library becomes "line LINE: reason".
std::string WithoutFileName(const std::string& message, const std::string& name) {
    std::string rest = message;
    if (rest.rfind(name + ": ", 0) == 0) rest = rest.substr(name.size() + 2);
    const auto colon = rest.find(": ");
    if (colon != std::string::npos && colon > 0 && rest.find_first_not_of("0123456789") == colon)
        return "line " + rest.substr(0, colon) + ": " + rest.substr(colon + 2);
    return rest;
}

/// The line number out of the library's "NAME: LINE".
int LineOf(const std::string& place, const std::string& name) {
    if (place.rfind(name + ": ", 0) != 0) return 0;
    return std::atoi(place.c_str() + name.size() + 2);
}

srecord::input::pointer OpenReader(const std::string& name, RecordFormat format) {
    return format == RecordFormat::IntelHex ? srecord::input_file_intel::create(name)
                                            : srecord::input_file_motorola::create(name);
}

srecord::output::pointer OpenWriter(const std::string& name, RecordFormat format) {
    return format == RecordFormat::IntelHex ? srecord::output_file_intel::create(name)
                                            : srecord::output_file_motorola::create(name);
}

int AddressBytes(std::size_t size, RecordFormat format) {
    if (size <= 0x10000) return 2;
    if (format == RecordFormat::SRecord && size <= 0x1000000) return 3;
    return 4; // I32HEX with extended linear address records, or S37
}

} // namespace

std::string ParseRecords(const std::string& text, RecordFormat format, const DataRecordSink& sink) {
    ThrowingQuit quit;
    try {
        MemoryFile file;
        file.Write(text);
        srecord::input::pointer reader = OpenReader(file.Name(), format);
        reader->set_quit(quit);
        srecord::record record;
        try {
            while (reader->read(record)) {
                if (record.get_type() != srecord::record::type_data) continue;
                sink(static_cast<std::uint32_t>(record.get_address()), record.get_data(),
                     static_cast<std::size_t>(record.get_length()),
                     LineOf(reader->filename_and_line(), file.Name()));
            }
        } catch (const BadRecord& e) {
            return WithoutFileName(e.what(), file.Name());
        }
    } catch (const BadRecord& e) {
        return e.what();
    } catch (const std::exception& e) {
        return std::string("the records could not be read: ") + e.what();
    }
    return {};
}

std::string WriteRecords(const std::uint8_t* data, std::size_t size, RecordFormat format,
                         std::string& text) {
    try {
        MemoryFile file;
        {
            srecord::output::pointer writer = OpenWriter(file.Name(), format);
            writer->address_length_set(AddressBytes(size, format));
            static const char kHeader[] = "QUORBIT";
            const srecord::record header(srecord::record::type_header, 0,
                                         reinterpret_cast<const srecord::record::data_t*>(kHeader),
                                         sizeof kHeader - 1);
            writer->write_header(&header);
            constexpr std::size_t kChunk = 32;
            for (std::size_t at = 0; at < size; at += kChunk)
                writer->write_data(static_cast<unsigned long>(at), data + at,
                                   std::min(kChunk, size - at));
            // Motorola files end with S7/S8/S9 only when a start address is given;
            // readers take a file without one for a cut-off file.
            if (format == RecordFormat::SRecord) {
                const srecord::record start(srecord::record::type_execution_start_address, 0,
                                            nullptr, 0);
                writer->write_execution_start_address(&start);
            }
        } // the writer adds the Intel end record and closes here
        text = file.Read();
    } catch (const std::exception& e) {
        return std::string("the records could not be written: ") + e.what();
    }
    return {};
}

} // namespace quorbit
