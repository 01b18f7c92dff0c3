#include "handoff/message_frame.h"

#include <cstdint>

namespace kvx::handoff {

namespace {

constexpr std::string_view kMagic = "KVXM";
constexpr std::string_view kReplyMagic = "KVXA";

void put(char* out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint64_t get(const char* in, int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= std::uint64_t(static_cast<unsigned char>(in[i])) << (8 * i);
    return v;
}

}  // namespace

std::array<char, kFrameSize> encodeFrame(const platform::WindowMessage& message) {
    std::array<char, kFrameSize> frame{};
    kMagic.copy(frame.data(), kMagic.size());
    put(frame.data() + 4, message.number, 4);
    put(frame.data() + 8, static_cast<std::uint64_t>(message.first), 8);
    put(frame.data() + 16, static_cast<std::uint64_t>(message.second), 8);
    return frame;
}

std::optional<platform::WindowMessage> decodeFrame(std::string_view bytes) {
    if (bytes.size() != kFrameSize || bytes.substr(0, kMagic.size()) != kMagic) return std::nullopt;
    platform::WindowMessage m;
    m.number = static_cast<std::uint32_t>(get(bytes.data() + 4, 4));
    m.first = static_cast<std::int64_t>(get(bytes.data() + 8, 8));
    m.second = static_cast<std::int64_t>(get(bytes.data() + 16, 8));
    return m;
}

std::array<char, kReplySize> encodeReply(bool taken) {
    std::array<char, kReplySize> reply{};
    kReplyMagic.copy(reply.data(), kReplyMagic.size());
    reply[4] = taken ? 1 : 0;
    return reply;
}

std::optional<bool> decodeReply(std::string_view bytes) {
    if (bytes.size() != kReplySize || bytes.substr(0, kReplyMagic.size()) != kReplyMagic) return std::nullopt;
    if (bytes[4] != 0 && bytes[4] != 1) return std::nullopt;
    return bytes[4] == 1;
}

}  // namespace kvx::handoff
