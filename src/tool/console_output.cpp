#include "tool/console_output.h"

#include <iostream>
#include <streambuf>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace kvx::tool {

std::size_t completeUtf8Length(std::string_view utf8) {
    // A character is at most four bytes: only the last three can be the start of a cut one.
    const std::size_t size = utf8.size();
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(utf8[size - back]);
        if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? size - back : size;
    }
    return size;
}

#ifdef _WIN32

namespace {

/// A stream buffer that hands UTF-8 text to a console as UTF-16.
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) { setp(buffer_, buffer_ + sizeof buffer_); }

protected:
    int_type overflow(int_type c) override {
        if (sync() != 0) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

    int sync() override {
        pending_.append(pbase(), pptr());
        setp(buffer_, buffer_ + sizeof buffer_);
        const std::size_t complete = completeUtf8Length(pending_);
        if (complete == 0) return 0;
        const int bytes = static_cast<int>(complete);
        const int n = MultiByteToWideChar(CP_UTF8, 0, pending_.data(), bytes, nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
        if (n > 0) MultiByteToWideChar(CP_UTF8, 0, pending_.data(), bytes, wide.data(), n);
        pending_.erase(0, complete);
        std::size_t done = 0;
        while (done < wide.size()) {
            DWORD written = 0;
            if (!WriteConsoleW(console_, wide.data() + done, static_cast<DWORD>(wide.size() - done), &written, nullptr) ||
                written == 0)
                return -1;
            done += written;
        }
        return 0;
    }

private:
    HANDLE console_;
    char buffer_[1024];
    std::string pending_;  ///< the start of a character cut by the end of the buffer
};

/// The stream's buffer becomes a console buffer when the handle is a console.
void routeToConsole(std::ostream& stream, DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr || !GetConsoleMode(handle, &mode)) return;
    stream.flush();
    // Lives to the end of the program: the streams are flushed after main returns.
    stream.rdbuf(new ConsoleBuffer(handle));
}

}  // namespace

void useConsoleText() {
    routeToConsole(std::cout, STD_OUTPUT_HANDLE);
    routeToConsole(std::cerr, STD_ERROR_HANDLE);
}

#else

void useConsoleText() {}

#endif

}  // namespace kvx::tool
