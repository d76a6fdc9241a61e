// QUORL_Protocol: one connection to the command line that the maker's loggers, the Pelmirat
// reader and the QUORL communication devices speak over a serial line (directly, or through a
// Wq3 radio modem).
//
// The host sends a short text command ending in a carriage return; the device answers with text
// and ends with its prompt '>'. DeviceCommand is that one exchange, with its retry rules; every
// other operation here is built on it. The object is itself the serial port (its VeskSerial base)
// and holds the record of the connected device (info).
//
// Calling order: construct; ConfigureProtocol (set); ConnectDevice; any commands; DisconnectDevice;
// possibly ConnectDevice again. One thread uses the object; long waits pump the MessagePump, and
// nothing may start another operation on the same object from inside such a pump.
//
// Every operation returns an int: positive is success, 0 or negative a code of
// device/protocol_codes.h. Settings commands take a pointer to their DeviceInfo field (a null
// pointer gives -10) and a mode: kModeGet reads the device's value into the field, kModeSet writes
// the field to the device; any other mode reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "device/device_info.h"
#include "device/protocol_hooks.h"
#include "device/wall_clock.h"
#include "serial/vesk_serial.h"

namespace vesk {

inline constexpr int kModeGet = 0;
inline constexpr int kModeSet = 1;

// Calibration sets of ADCcalCommand.
inline constexpr int kAdcSet30 = 1;  // "-adc30"
inline constexpr int kAdcSet15 = 2;  // "-adc15"

// Packets of the radio wake sequence, and their spacing.
inline constexpr int kWakePackets = 909;
inline constexpr uint32_t kWakeSpacingMs = 55;

class QUORL_Protocol : public VeskSerial {
 public:
  // `backend`, `pump` and `clock` must outlive the object; `log` may be null.
  explicit QUORL_Protocol(SerialBackend& backend, VeskLog* log = nullptr,
                          MessagePump& pump = DefaultPump(),
                          const WallClock& clock = SystemWallClock());
  // Disconnects (closing the port) when a connection is open.
  ~QUORL_Protocol();
  QUORL_Protocol(const QUORL_Protocol&) = delete;
  QUORL_Protocol& operator=(const QUORL_Protocol&) = delete;

  int status = 1;  // -60 when the buffers could not be allocated
  ProtocolOptions options;
  DeviceInfo info;
  // The current connection; its kind is the connection state (connection_kind::kNone: none).
  ConnectionParams connection;
  uint32_t retries = 3;  // attempts per command on the current connection
  int resets = 0;        // reset counter read by ParseShowCommand

  // Progress and echo go to `hooks` (not owned; null restores the do-nothing defaults).
  void SetHooks(ProtocolHooks* hooks);

  // --- Connection -----------------------------------------------------------------------------

  // With `set`, checks and stores `*options` (retry counts of 0 become 3 and 5, also in the
  // caller's record; above 12 give -11; echoMode outside 0..3 and extraWait above 30000 give
  // -11, keeping the old options). Without, copies the current options out.
  int ConfigureProtocol(ProtocolOptions* options, bool set);
  // Opens the port (unless a kept-open port is still there), logs in and identifies the device.
  // The device name and baud index in `*params` are updated. A failure closes the port unless
  // keepPortOpen is set.
  int ConnectDevice(ConnectionParams* params);
  // Ends the connection: a serial device goes back to 9600 baud; a radio device is logged out
  // (unless `skipLogout`). 1, 0 when there was no connection, or a failure code.
  int DisconnectDevice(bool skipLogout);

  // One command exchange: empty the input, write `command`, wait for `prompt` up to `timeoutMs`
  // (+ extraWait), read the answer; an error answer ("ERROR", '?', "Unsupported") or silence
  // tries again, up to `retries` attempts. Returns the bytes received, or -21 (every attempt
  // silent), -22 (the last attempt silent), -32 (echoed), -34 (refused), -31 (an empty answer,
  // which is still copied out) or a port error. When `answer` is given, `*answerLength` is its
  // size on entry and the characters copied on return (at most size - 1, NUL-terminated); a
  // failure leaves it empty. `elapsedMs` (optional) receives the time the exchange took.
  int DeviceCommand(std::string_view command, char prompt, uint32_t timeoutMs, char* answer,
                    size_t* answerLength, uint32_t* elapsedMs);

  // --- Identification -------------------------------------------------------------------------

  // Asks "get -ver\r" and fills typeCode, typeName, versionText, version, verKnown and
  // supportedMask. An old-firmware Rva (which refuses "get -ver") is parsed with "show" unless
  // `skipShowParse`. -80/-81 when a boot loader answered.
  int VerCommand(bool skipShowParse);
  // The old-firmware Rva's "show": name, version, radio mode, interval and resets. With
  // `nameOnly` only the name is read into it. -13 for a version below 110.
  int ParseShowCommand(FixedText<9>* nameOnly);
  void DeviceCapabilities();
  // 1 (or another code of CheckDeviceName) for a valid device name.
  static int CheckDeviceName(std::string_view text);

  // --- Login, baud rate and the radio ---------------------------------------------------------

  // Who answers "query" on the radio; the name heard goes into `*heard`.
  int QueryCommand(FixedText<9>* heard);
  int LoginCommand(std::string_view name);
  // The wake sequence for a sleeping radio device: 909 carriage returns, 55 ms apart.
  int SendWake();
  // Asks the device to talk at `rate` from now on (the host's rate is the caller's business).
  int SetBaudCommand(uint32_t rate);
  // Logs in over the current connection: identifies a serial device and agrees the baud rate
  // of `*baudIndex`; queries, wakes and logs into a radio device named `*name` (an empty name is
  // filled in from the query).
  int DeviceLogin(FixedText<9>* name, int8_t* baudIndex);

  // --- Settings (see DeviceInfo for the fields and setting:: for their bits) -------------------

  int NameCommand(FixedText<9>* name, int mode);
  int DeviceIDCommand(FixedText<9>* deviceid, int mode);
  int ReportCommand(int32_t* report, int mode);
  int DepthCommand(Ports* depth, int mode);
  int LatitudeCommand(double* lat, int mode);
  int LongitudeCommand(double* lon, int mode);
  // Written with -2, the host's own time zone (in quarter hours) is sent and kept.
  int TimeZoneCommand(int32_t* timezone, int mode);
  int SiteCommand(FixedText<32>* site, int mode);
  int SNCommand(FixedText<16>* sn, int mode);
  int WakeCommand(int32_t* wake, int mode);
  int PADCCommand(int32_t* padc, int mode);
  int PortsCommand(Ports* ports, int mode);
  int TraitCommand(uint32_t* trait, int mode);
  int RmodeCommand(int32_t* rmode, int mode);
  int DataParameterCommand(int32_t* data, int mode);
  int VeskBuildCommand(FixedText<20>* build, int mode);
  int ADCcalCommand(int set, Ports* slopes, Ports* offsets, int mode);
  int APNCommand(FixedText<36>* apn, int mode);
  int APNUserCommand(FixedText<36>* user, int mode);
  int APNPasswdCommand(FixedText<36>* passwd, int mode);
  int AuthKeyCommand(FixedText<33>* authkey, int mode);
  int HostCommand(FixedText<64>* host, int mode);
  int IPPortCommand(int32_t* ipport, int mode);

  // The device's radio channel (setting::kRch), sub-channel (kRsch) and radio version (kRver),
  // as `*mask` asks; `*mask` returns the bits read or written. 0 when no radio was found.
  int MSRadioCommand(int32_t* rch, int32_t* rsch, FixedText<9>* rver, int mode, uint32_t* mask);
  // The same items programmed into or read from the local Wq3 radio modem with AT commands.
  int Wq3Config(int32_t* rch, int32_t* rsch, FixedText<9>* rver, int mode, uint32_t* mask);

  // -1 while the trait is unknown; 1 when a radio (cellular modem, on an Rvan) is fitted.
  int TraitHasRadio() const;
  int TraitHasCellular() const;

  // Downloads (kModeGet) the settings `*mask` asks for into `*record`, or uploads (kModeSet)
  // them from it; `*mask` returns the bits done. Goes on after a failed item (-35 at the end),
  // logs in again when the device falls silent, and stops early on -32, -33, -36 or -13.
  int DeviceSettings(DeviceInfo* record, uint32_t* mask, int mode);

  // --- Clock and erase ------------------------------------------------------------------------

  // The device clock in VeskSeconds (seconds since 2000-01-01 of the device's local time). Set:
  // writes `*value`, or the computer's time when `value` is null or 0 (and returns it there).
  // Get: reads it into `*value` (-1 on failure).
  int DeviceTime(int64_t* value, int mode);
  // Confirms erasing the device's stored data, after checking that it is still the device that
  // was connected (-37 otherwise, with nothing sent that erases).
  int EraseData();

  // The wake sequence's spacing; only tests shorten it, to wake a simulated device quickly.
  void SetWakeSpacingForTesting(uint32_t ms) { wakeSpacingMs_ = ms; }

 private:
  // One exchange with a fixed answer buffer of the caller's chosen capacity.
  struct Exchange {
    explicit Exchange(size_t capacityIn) : capacity(capacityIn) {}
    char answer[256] = {};
    size_t capacity;
    size_t length = 0;
    uint32_t ms = 0;
    bool Has(const char* text) const;
  };
  enum class Confirm { kOk, kOkOrOldPrompt };
  enum class Refusal { kRefused, kTextRefused };

  int Ask(Exchange& ex, const char* command, char prompt = '>', uint32_t timeoutMs = 1500);
  int AskFormatted(Exchange& ex, char prompt, uint32_t timeoutMs, const char* format, ...)
      __attribute__((format(printf, 5, 6)));
  // Sends a set command (prompt '>', 1500 ms): 1 when the answer confirms, -30 when it does
  // not, or the exchange's failure (-34 becomes -12 for text settings).
  int SendSetting(Exchange& ex, Confirm confirm, Refusal refusal, const char* format, ...)
      __attribute__((format(printf, 5, 6)));
  // Exchange times as the log lines' %d takes them.
  static int Ms(uint32_t ms) { return static_cast<int>(ms); }
  void LogDetail(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void LogFailure(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void LogAt(uint32_t level, const char* source, const char* format, ...)
      __attribute__((format(printf, 4, 5)));
  void Echo(int modeBit, std::string_view text);

  bool Can(uint32_t capabilityBit) const { return (info.supportedMask & capabilityBit) != 0; }
  bool OldFirmware() const { return info.verKnown == 0; }
  bool OverRadio() const { return connection.kind == connection_kind::kRadio; }

  int DeviceLoginSerial(int8_t* baudIndex);
  int DeviceLoginRadio(FixedText<9>* name, int8_t* baudIndex);
  // One radio channel item of MSRadioCommand (the channel, or with `subChannel` the
  // sub-channel), tried up to `retries` times; bits go into `*got` and `*failed`.
  void WriteRadioItem(bool subChannel, int32_t value, uint32_t* got, uint32_t* failed, int* result);
  void ReadRadioItem(bool subChannel, int32_t* value, uint32_t* got, uint32_t* failed, int* result);
  // The first item of `*pending` for DeviceSettings: runs its command, removes its bits from
  // `*pending` and adds what succeeded to `*done`. Returns the command's result (`last` when no
  // command ran); `*stop` is set when the download must end at once.
  int DeviceSettingsItem(uint32_t* pending, uint32_t* done, int mode, int last, bool* stop);

  ProtocolHooks defaultHooks_;
  ProtocolHooks* hooks_ = &defaultHooks_;
  const WallClock* clock_;
  std::unique_ptr<char[]> answerBuffer_;  // kReadBufferSize + 1 bytes: the last raw answer
  std::unique_ptr<char[]> portBuffer_;    // kReadBufferSize bytes, lent to VeskSerial
  uint32_t wakeSpacingMs_ = kWakeSpacingMs;
};

}  // namespace vesk
