#pragma once
// A streaming reader of VCD (value change dump) files: the bytes come in chunks of any size,
// the declarations are collected, and every time stamp and value change is handed to a sink
// as it is read. Nothing of the value section is kept, so files of any length pass through
// a fixed amount of memory. Errors are Russian messages that name the line.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kvx::exchange {

struct VcdVariable {
    std::string type;       ///< "wire", "reg", "real", ...
    int width = 1;          ///< declared size in bits
    int id = 0;             ///< index of its identifier code (codes may be shared)
    std::string reference;  ///< the declared name, without a bit range
    bool hasRange = false;  ///< a range "[msb:lsb]" or a bit "[n]" followed the name
    int msb = 0;
    int lsb = 0;
    std::string scope;      ///< enclosing scopes joined by '.', empty at the top
    int line = 0;

    /// Scope, '.', reference, and "[n]" for a declared single bit.
    std::string fullName() const;
    /// Reference and "[n]" for a declared single bit.
    std::string shortName() const;
};

struct VcdHeader {
    std::string date;
    std::string version;
    /// Length of one time unit in femtoseconds ($timescale; 1 ns when the file gives none).
    std::uint64_t timescaleFs = 1'000'000;
    std::vector<VcdVariable> variables;
    int idCount = 0;  ///< distinct identifier codes
};

/// Receives the value section. Returning false stops the reading with the sink's message.
class VcdSink {
public:
    virtual ~VcdSink() = default;
    /// The declarations are complete ($enddefinitions).
    virtual bool header(const VcdHeader& h) = 0;
    /// A time stamp; times never decrease.
    virtual bool time(std::uint64_t t) = 0;
    /// A value of identifier `id`: one character for a scalar, the bits of a vector (most
    /// significant first, possibly shorter than the width) without the leading 'b'.
    virtual void change(int id, std::string_view value) = 0;
    /// Message when header() or time() returned false.
    virtual std::string message() const = 0;
};

/// Caps that keep a malformed file from taking unbounded memory.
inline constexpr std::size_t kMaxVcdToken = 1u << 20;
inline constexpr int kMaxVcdWidth = 1 << 16;
inline constexpr std::size_t kMaxVcdVariables = 1u << 20;

class VcdReader {
public:
    /// `sink` may be null: then only the declarations are read and reading stops after them.
    explicit VcdReader(VcdSink* sink);
    ~VcdReader();
    VcdReader(const VcdReader&) = delete;
    VcdReader& operator=(const VcdReader&) = delete;

    /// Reads the next bytes. False once an error was found or the reading stopped.
    bool feed(std::string_view bytes);
    /// End of the file. False when the file ended too early or an error was found before.
    bool finish();

    const VcdHeader& header() const { return header_; }
    /// The declarations, moved out of the reader (which keeps an empty header).
    VcdHeader takeHeader() { return std::move(header_); }
    bool headerComplete() const { return headerDone_; }
    /// Last time stamp read (0 when none).
    std::uint64_t lastTime() const { return time_; }
    /// True when the reading stopped because the sink (or a null sink) wanted no more.
    bool stopped() const { return stopped_; }
    /// Empty while there is no error.
    const std::string& error() const { return error_; }

private:
    class IdTable;
    bool token(std::string_view t);
    bool headerToken(std::string_view t);
    bool bodyToken(std::string_view t);
    bool endCommand();
    bool fail(const std::string& what);
    bool fail(int line, const std::string& what);

    VcdSink* sink_;
    VcdHeader header_;
    std::unique_ptr<IdTable> ids_;
    std::vector<std::string> scopes_;
    std::string scopePath_;        ///< scopes_ joined by '.'
    std::string pending_;          ///< a token cut by the end of a chunk
    std::string command_;          ///< open "$keyword" of the declarations, empty when none
    int commandLine_ = 0;
    std::vector<std::string> args_;
    std::size_t argBytes_ = 0;
    bool inBodyCommand_ = false;   ///< inside $comment ... $end of the value section
    int vectorLine_ = 0;
    std::string vectorValue_;      ///< a vector value waiting for its identifier
    bool awaitingId_ = false;
    bool ignoreValue_ = false;     ///< the value was real or a string: only its identifier follows
    bool headerDone_ = false;
    bool stopped_ = false;
    std::uint64_t time_ = 0;
    bool timeSeen_ = false;
    int line_ = 1;
    int tokenLine_ = 1;
    std::string error_;
};

/// Parses a "$timescale" text ("1ns", "10 us", "100 ps") into femtoseconds; 0 when invalid.
std::uint64_t parseTimescale(std::string_view text);

}  // namespace kvx::exchange
