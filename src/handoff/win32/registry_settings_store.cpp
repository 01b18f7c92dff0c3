#ifdef _WIN32
#include "handoff/win32/registry_settings_store.h"

#include <windows.h>

#include <vector>

#include "handoff/win32/wide_text.h"

namespace kvx::handoff::win32 {

namespace {

/// An open registry key, closed when it goes.
class Key {
public:
    Key() = default;
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

bool openForWriting(const std::string& path, Key& key) {
    return RegCreateKeyExW(HKEY_CURRENT_USER, toWide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_SET_VALUE, nullptr, key.out(), nullptr) == ERROR_SUCCESS;
}

}  // namespace

bool RegistrySettingsStore::keyExists(const std::string& key) const {
    Key k;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, toWide(key).c_str(), 0, KEY_READ, k.out()) != ERROR_SUCCESS) return false;
    DWORD subKeys = 0, values = 0;
    if (RegQueryInfoKeyW(k.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    return subKeys + values > 0;
}

std::string RegistrySettingsStore::value(const std::string& key, const std::string& name) const {
    Key k;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, toWide(key).c_str(), 0, KEY_QUERY_VALUE, k.out()) != ERROR_SUCCESS) return {};
    const std::wstring wname = toWide(name);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(k.get(), wname.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    // Values are small; a huge one is not one of ours.
    if (size > 1 << 20) return {};
    std::vector<BYTE> data(size + sizeof(wchar_t));
    if (RegQueryValueExW(k.get(), wname.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return {};
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD v = 0;
        memcpy(&v, data.data(), sizeof v);
        return std::to_string(v);
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return toUtf8(text);
}

bool RegistrySettingsStore::setValue(const std::string& key, const std::string& name, const std::string& value) {
    Key k;
    if (!openForWriting(key, k)) return false;
    const std::wstring text = toWide(value);
    return RegSetValueExW(k.get(), toWide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool RegistrySettingsStore::setIntValue(const std::string& key, const std::string& name, int value) {
    Key k;
    if (!openForWriting(key, k)) return false;
    const DWORD v = static_cast<DWORD>(value);
    return RegSetValueExW(k.get(), toWide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v),
                          sizeof v) == ERROR_SUCCESS;
}

bool RegistrySettingsStore::removeKey(const std::string& key) {
    const LSTATUS s = RegDeleteTreeW(HKEY_CURRENT_USER, toWide(key).c_str());
    if (s == ERROR_SUCCESS || s == ERROR_FILE_NOT_FOUND) {
        RegDeleteKeyW(HKEY_CURRENT_USER, toWide(key).c_str());
        return true;
    }
    return false;
}

}  // namespace kvx::handoff::win32
#endif
