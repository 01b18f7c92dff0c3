#pragma once
// The fixed names and numbers of the hand-off between the editor and the tester program.

#include <cstdint>

#include "platform/handoff_channel.h"

namespace kvx::handoff {

inline constexpr const char* kEditorWindowClass = "TKVX_Edit_MessageForm_NoFileMapping";
inline constexpr const char* kEditorWindowTitle = "KVX_Edit_MessageForm_NoFileMapping";
inline constexpr const char* kTesterWindowClass = "TKVX_Test_MessageForm_NoFileMapping";
inline constexpr const char* kTesterWindowTitle = "KVX_Test_MessageForm_NoFileMapping";

/// Asks the editor to open the file named by "FileName".
inline constexpr std::uint32_t kOpenInEditorMessage = 1100;
/// Asks the tester to open the file named by "FileName".
inline constexpr std::uint32_t kOpenInTesterMessage = 1101;
/// First parameter that marks a hand-off; a message with any other value is ignored.
inline constexpr std::int64_t kHandoffMark = 777;

/// Key and value of the path being handed over (shared by every program of the family).
inline constexpr const char* kFileNameKey = "Software\\KVX_Main";
inline constexpr const char* kFileNameValue = "FileName";
/// The tester's own key and the flag written before the editor starts it.
inline constexpr const char* kTesterKey = "Software\\KVX_Tester\\historylist";
inline constexpr const char* kTesterStartFlag = "TestCanalOnStart";

/// The tester program, directly after the folder stored as "Dir_KVX".
#ifdef _WIN32
inline constexpr const char* kTesterProgram = "KVX_Test.exe";
#else
inline constexpr const char* kTesterProgram = "KVX_Test";
#endif
/// How long the editor waits, once, after starting the tester.
inline constexpr int kTesterStartWaitMs = 2000;

inline platform::WindowAddress editorWindow() { return {kEditorWindowClass, kEditorWindowTitle}; }
inline platform::WindowAddress testerWindow() { return {kTesterWindowClass, kTesterWindowTitle}; }

/// The message that asks a program to fetch "FileName".
inline platform::WindowMessage openFileMessage(std::uint32_t number) { return {number, kHandoffMark, 0}; }

}  // namespace kvx::handoff
