#pragma once
// A window message as it travels over a local socket where there are no window messages:
// exactly kFrameSize bytes, "KVXM", the number (32 bits) and both parameters (64 bits each),
// little-endian. The receiving program answers on the same connection with kReplySize bytes,
// "KVXA" and 1 when it took the message or 0 when it did not.

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "platform/handoff_channel.h"

namespace kvx::handoff {

inline constexpr std::size_t kFrameSize = 24;

std::array<char, kFrameSize> encodeFrame(const platform::WindowMessage& message);
/// The message of a frame; nullopt for anything that is not exactly one well-formed frame.
std::optional<platform::WindowMessage> decodeFrame(std::string_view bytes);

inline constexpr std::size_t kReplySize = 5;

std::array<char, kReplySize> encodeReply(bool taken);
/// Whether the message was taken; nullopt for anything that is not exactly one reply.
std::optional<bool> decodeReply(std::string_view bytes);

}  // namespace kvx::handoff
