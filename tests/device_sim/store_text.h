// The simulator keeps each setting as the text its get command answers ("600", "+45.12345",
// "10 20 30 40 50"); these helpers turn the program's DeviceInfo fields into that text and back,
// and run the command that handles a setting.
#pragma once

#include <string>

#include "device/quorl_protocol.h"

namespace vesk::test {

// The setting:: bit of a store key ("w" -> kWake); 0 for a key the program does not know.
uint32_t BitOfKey(const std::string& key);

// The record's value for `key` as the simulator would hold it.
std::string StoreTextOf(const DeviceInfo& info, const std::string& key);

// Puts the store text `text` into the record's field for `key`.
void SetFromStoreText(DeviceInfo& info, const std::string& key, const std::string& text);

// Runs the command for `key` on the protocol's own record (MSRadioCommand for the radio keys).
int RunSetting(QUORL_Protocol& protocol, const std::string& key, int mode);

}  // namespace vesk::test
