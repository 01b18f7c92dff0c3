#pragma once
// An in-memory settings store for tests, with a switch that makes every write fail.

#include <map>
#include <string>
#include <utility>

#include "platform/settings_store.h"

namespace kvx::testing {

class MemorySettingsStore : public platform::SettingsStore {
public:
    bool keyExists(const std::string& key) const override {
        for (const auto& [k, v] : values)
            if (k.first == key) return true;
        return false;
    }
    std::string value(const std::string& key, const std::string& name) const override {
        auto it = values.find({key, name});
        return it == values.end() ? std::string() : it->second;
    }
    bool setValue(const std::string& key, const std::string& name, const std::string& value) override {
        if (failWrites) return false;
        values[{key, name}] = value;
        ++writes;
        return true;
    }
    bool has(const std::string& key, const std::string& name) const { return values.count({key, name}) > 0; }

    std::map<std::pair<std::string, std::string>, std::string> values;
    bool failWrites = false;
    int writes = 0;
};

}  // namespace kvx::testing
