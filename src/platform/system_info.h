#pragma once
// What the install service is told about the machine: the OS version, the .NET and
// Internet Explorer registry entries and the network adapters' hardware addresses.
// Linux has no registry: its reads fail, which the callers take as "not installed".
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct OsVersionNumbers {
    uint32_t platformId = 0;  // 1 = Windows 9x, 2 = NT
    uint32_t major = 0;
    uint32_t minor = 0;
};

// The version numbers the system reports to this program (Windows: GetVersionExW).
bool QueryOsVersion(OsVersionNumbers& version);

// Reads a 4-byte value of a key below HKEY_LOCAL_MACHINE.
bool ReadMachineRegistryDword(const std::string& key, const std::string& value, uint32_t& data);
// Reads a text value (at most 259 characters) of a key below HKEY_LOCAL_MACHINE.
bool ReadMachineRegistryText(const std::string& key, const std::string& value, std::string& data);

using HardwareAddress = std::array<uint8_t, 6>;
// The first six bytes of each network adapter's hardware address, in the system's order
// (Linux: by interface index); shorter addresses are padded with zero bytes.
std::vector<HardwareAddress> ListAdapterHardwareAddresses();

}  // namespace platform
