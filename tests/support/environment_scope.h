// environmentScopeC: sets and removes environment variables for one scope
// and puts back, at its end, every value it changed (in reverse order).
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/environment.h"

class environmentScopeC {
 public:
  environmentScopeC() = default;
  ~environmentScopeC() {
    for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
      if (it->second)
        setRuntimeEnvironmentVariable(it->first.c_str(), it->second->c_str());
      else
        unsetRuntimeEnvironmentVariable(it->first.c_str());
    }
  }
  environmentScopeC(const environmentScopeC&) = delete;
  environmentScopeC& operator=(const environmentScopeC&) = delete;

  void set(const char* name, const std::string& value) {
    remember(name);
    EXPECT_TRUE(setRuntimeEnvironmentVariable(name, value.c_str())) << name;
  }
  void unset(const char* name) {
    remember(name);
    EXPECT_TRUE(unsetRuntimeEnvironmentVariable(name)) << name;
  }

 private:
  void remember(const char* name) {
    const char* value = getRuntimeEnvironmentVariable(name);
    saved.emplace_back(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
  }

  std::vector<std::pair<std::string, std::optional<std::string>>> saved;  // name, value before the change
};
