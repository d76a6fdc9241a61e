// Result codes of the device command line (QUORL_Protocol and its settings, clock and erase
// commands). Every operation returns an int: positive is success (as a rule 1; byte counts for
// DeviceCommand), 0 means nothing was done, negative values are the failures below. Codes pass
// upward unchanged unless an operation says it maps them.
//
//    1    success
//    0    nothing done (MSRadioCommand found no radio; TraitCommand could not emulate the trait)
//   -1    the device lacks the capability (nothing is sent); SetBaudCommand on a device whose
//         version answer was never parsed; DeviceSettings when nothing of a non-empty request was
//         done; ADCcalCommand when the values read are out of range or fail their check sum
//   -10   a missing argument: connection parameters, device name, field or mask; a connection
//         kind outside the known list
//   -11   a value out of range: an option, connection kind 0, a baud index outside 0..8, a
//         negative interval or PADC, an authkey that is not 32 hexadecimal digits, a trait never
//         read, a calibration set other than 1 and 2, a latitude or longitude that is not a
//         finite number, a command too long for its buffer; ParseShowCommand on new firmware
//   -12   the device refused a text setting; TraitCommand write without the capability;
//         MSRadioCommand write over a radio connection
//   -13   a connection kind this program refuses (20, 40, 100, 110, 120); an old logger whose
//         "show" reports a version below 110
//   -20   nothing is listening (serial or radio), or the host could not change its own baud rate
//   -21   every attempt of a command was silent
//   -22   the last attempt received nothing; QueryCommand heard nobody
//   -23   the radio modem would not enter or configure its command mode; the trait says no radio
//         is fitted
//   -30   the answer did not have the expected form
//   -31   an empty answer (two carriage returns and the prompt), or a number missing where
//         latitude, longitude or the IP port is read
//   -32   the command came back echoed, or a version answer of one character before the prompt
//   -33   a relay repeats the radio query
//   -34   the device answered "ERROR", a '?' or "Unsupported" on every attempt that answered
//   -35   some items of a multi-item command were done and some failed
//   -36   NameCommand got an empty answer (stops DeviceSettings)
//   -37   EraseData: the device could not be identified, or it is not the connected device
//   -40   cancelled through the progress hook
//   -45   the device reports "No Radio"
//   -50   device name holds a control character, a space, 127 or 255
//   -51   device name holds ? \ " / < > * | : ; or ,
//   -52   device name is a reserved word
//   -53   device name absent or empty
//   -54   device name longer than 8 characters
//   -56   device name holds another character above 127
//   -60   the object's buffers could not be allocated
//   -65   EraseData: the data memory reported "DataFlash FAIL", or the confirmation got no usable
//         answer
//   -80   a boot loader (or modem) answered the version question with a '+' line
//   -81   a boot loader waiting for a connection answered '$' twice
//   other negatives: the serial layer's codes (see serial/vesk_serial.h), passed through
#pragma once

namespace vesk::proto {

inline constexpr int kOk = 1;
inline constexpr int kNothingDone = 0;
inline constexpr int kNotSupported = -1;
inline constexpr int kMissingArgument = -10;
inline constexpr int kOutOfRange = -11;
inline constexpr int kRefusedSetting = -12;
inline constexpr int kNotAvailable = -13;
inline constexpr int kNobodyListening = -20;
inline constexpr int kNoAnswer = -21;
inline constexpr int kAttemptSilent = -22;
inline constexpr int kRadioModemFailed = -23;
inline constexpr int kBadAnswer = -30;
inline constexpr int kEmptyAnswer = -31;
inline constexpr int kEchoed = -32;
inline constexpr int kRelayRepeats = -33;
inline constexpr int kRefused = -34;
inline constexpr int kPartlyFailed = -35;
inline constexpr int kEmptyName = -36;
inline constexpr int kIdentityMismatch = -37;
inline constexpr int kCancelled = -40;
inline constexpr int kNoRadio = -45;
inline constexpr int kNameBadCharacter = -50;
inline constexpr int kNameBadPunctuation = -51;
inline constexpr int kNameReserved = -52;
inline constexpr int kNameEmpty = -53;
inline constexpr int kNameTooLong = -54;
inline constexpr int kNameHighCharacter = -56;
inline constexpr int kOutOfMemory = -60;
inline constexpr int kDataFlashBroken = -65;
inline constexpr int kBootLoaderActive = -80;
inline constexpr int kBootLoaderWaiting = -81;

}  // namespace vesk::proto
