// Registration of the boot-time executor: a systemd unit that runs the executor on the commands file
// early at boot and then removes its own registration. VOLMARA_ROOT prefixes every path written.
#pragma once

#include <string>

namespace KBootRegistration {

inline constexpr const char* kUnitName = "volmara-native.service";

std::string RootPrefix();
std::string UnitPath();
std::string WantsLinkPath();
// The unit text for an executor and commands file.
std::string UnitText(const std::string& executor, const std::string& commandsFile);
// Writes the unit and its enabling link. Registering again changes nothing. True on success.
bool Register(const std::string& executor, const std::string& commandsFile);
bool IsRegistered();

} // namespace KBootRegistration
