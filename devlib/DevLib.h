#pragma once

// The device library: one static state record with a table of up to 64 open
// sensors, and flat operations over it. Every sensor operation acts on the
// current sensor (see "Several sensors at once" below). Results are 1 for
// success and 0 for failure unless stated; details go into the current
// sensor's status word.

#include <cstdint>
#include <functional>
#include <vector>

#include "ParameterBlocks.h"
#include "platform/Platform.h"

// ---- Status word values (DevStatus) -------------------------------------

inline constexpr std::uint32_t kStatusSuccess = 0x00000000;
inline constexpr std::uint32_t kStatusReadNoHandle = 0x00000100;
inline constexpr std::uint32_t kStatusReadNoEntryPoint = 0x00000101;
inline constexpr std::uint32_t kStatusReadFailed = 0x00000102;
inline constexpr std::uint32_t kStatusSendNoHandle = 0x00000200;
inline constexpr std::uint32_t kStatusSendNoEntryPoint = 0x00000201;
inline constexpr std::uint32_t kStatusSendFailed = 0x00000202;
inline constexpr std::uint32_t kStatusBadPingRate = 0x00001000;
inline constexpr std::uint32_t kStatusBadMinDist = 0x00001001;
inline constexpr std::uint32_t kStatusBadMaxDist = 0x00001002;
inline constexpr std::uint32_t kStatusBadWalkAwayKeyCount = 0x00001010;
inline constexpr std::uint32_t kStatusBadWalkAwayDelay = 0x00001011;
inline constexpr std::uint32_t kStatusBadWalkUpKeyCount = 0x00001020;
inline constexpr std::uint32_t kStatusBadWalkUpDelay = 0x00001021;
inline constexpr std::uint32_t kStatusReadConfigFailed = 0x00020000;
inline constexpr std::uint32_t kStatusWriteConfigFailed = 0x00040000;
inline constexpr std::uint32_t kStatusDeviceCommandFailed = 0x00080000;
inline constexpr std::uint32_t kStatusFetch = 0x00100000;
inline constexpr std::uint32_t kStatusFetchNoDestination = 0x00100001;
inline constexpr std::uint32_t kStatusFetchNotValid = 0x00100002;
inline constexpr std::uint32_t kStatusStore = 0x00200000;
inline constexpr std::uint32_t kStatusStoreNoSource = 0x00200001;
inline constexpr std::uint32_t kStatusSensorInUse = 0x00400000;
inline constexpr std::uint32_t kStatusRangeFailed = 0x01000000;

// ---- Records ---------------------------------------------------------------

// A bench of sensors being prepared for deployment is talked to at once.
inline constexpr int kMaxDevices = 64;
inline constexpr int kDevicePathSize = 128;
inline constexpr int kFeatureReportLength = 9;

struct tsDevSlot {
    std::uint16_t Luid;
    std::uint16_t FwVersion;
    platform::Handle Handle;
    std::uint32_t LuidDirty;
    std::uint32_t Status;
    std::uint32_t Valid;
    std::uint32_t DirtySonar;
    std::uint32_t DirtyWalkAway;
    std::uint32_t DirtyWalkUp;
    std::uint32_t DirtyWalkAwayEx;
    std::uint32_t DirtyWalkUpEx;
    std::uint32_t DirtyIdle;
    tsSonarParms Sonar;
    tsWalkAwayParms WalkAway;
    tsWalkUpParms WalkUp;
    tsWalkAwayParmsEx WalkAwayEx;
    tsWalkUpParmsEx WalkUpEx;
    tsIdleParms Idle;
    char DevicePath[kDevicePathSize];
    // The reserved bytes of the walk-up and idle halves as this sensor last
    // gave them; its writes send them back unchanged.
    std::uint8_t LastReservedWU;
    std::uint8_t LastReservedI;
    // Set by the last read when the sensor refused its extension sets; kept
    // with the record, as later operations reset the status that said so.
    std::uint32_t ExtensionSetsRefused;
};

// A run-time binding of one service: the module and each entry point found.
struct tsHidBinding {
    bool Module;
    bool GetAttributes;
    bool GetFeature;
    bool SetFeature;
    bool GetHidGuid;
    bool GetCaps;
};

struct tsSetupBinding {
    bool Module;
    bool GetClassDevs;
    bool EnumDeviceInterfaces;
    bool GetDeviceInterfaceDetail;
    bool DestroyDeviceInfoList;
};

struct tsLibState {
    std::uint8_t InterfaceClass[16];
    std::int16_t CurrentSlot;
    std::uint16_t FeatureReportLength;
    tsDevSlot Slots[kMaxDevices];
    std::int16_t Count;
    tsHidBinding Hid;
    tsSetupBinding Setup;
};

struct tsRangeInfo {
    std::uint16_t Distance;
    std::uint16_t InRange;
    std::uint16_t Flag1;
    std::uint16_t Flag2;
    std::uint16_t RangeFlags;
};

// The library's one state record (zero at program load).
tsLibState& LibState();

// ---- Library state, version and device table --------------------------------

void ResetLibState();
int GetLibVersion(std::uint16_t* major, std::uint16_t* minor, std::uint16_t* build);
int CloseAllDevices();
std::int16_t GetDevCount();
int SelectDev(std::int16_t index);
std::uint32_t GetDevStatus();
int UpdateDevTable(const tsDevSlot* record, int remove);

// ---- Several sensors at once ------------------------------------------------
// Each sensor's state (handle, status word, blocks, last-read reserved bytes)
// is its record in the library's table, which the library alone owns. The
// calls of this interface act on the current sensor: the one SelectDev chose,
// or, on a thread RunOnEverySensor started, that thread's sensor. The
// sensors are separate devices, so their waits overlap.

// Runs operation(index) for every sensor of the table at once, each on a
// thread of its own on which that sensor is current, and returns when every
// one has ended. A sensor that fails fails alone. The table holds still
// meanwhile: a sensor that arrives or leaves during the run is added or
// removed when the run ends. Called from one thread at a time.
void RunOnEverySensor(const std::function<void(std::int16_t index)>& operation);
// As RunOnEverySensor, for the sensors at these indices of the table only.
void RunOnSensors(const std::vector<std::int16_t>& indices,
                  const std::function<void(std::int16_t index)>& operation);
// The record of the sensor at index, as a copy; an empty record (invalid
// handle) when there is no sensor there.
tsDevSlot DevRecord(std::int16_t index);
// The record of the current sensor, as a copy.
tsDevSlot CurrentDevRecord();
// The index of the current sensor in the table.
std::int16_t GetCurrentDev();
// The index of the sensor opened with this interface path (letter case
// aside), or -1.
std::int16_t FindDevByPath(const char* path);
// Runs stores (Set...Parms calls) on the current sensor and puts its record
// back as it was, change marks included: what the library would refuse is
// learnt without changing what a write would send.
void TryDevStores(const std::function<void()>& stores);

// ---- One operation at a time per sensor, across programs --------------------
// A data report carries no block number, so two programs talking to one
// sensor at once corrupt each other's conversation. Every sensor operation
// below holds its sensor for its whole length, and waits while another
// program holds it. A caller whose own steps make one operation (a write and
// the settle time after it; a read, a change and its write) holds the sensor
// around them with DevOperation; holds nest.

struct tsSensorWait {
    // How long an operation waits for a sensor another program holds.
    std::uint32_t LimitMs = 30000;
    // Told at each look while the wait goes on: the sensor's device path and
    // how long it has waited so far.
    std::function<void(const char* devicePath, std::uint32_t waitedMs)> Waiting;
    // Told once when a wait that Waiting was told of ends, held or not, with
    // the sensor's device path: sensors waited for at once end one by one.
    std::function<void(const char* devicePath)> WaitOver;
};
void SetSensorWait(tsSensorWait wait);

// Holds the current sensor, waiting as SetSensorWait says: 1 when held, 0
// when another program held it past the limit (kStatusSensorInUse in the
// status word). Every call is matched by EndDevOperation, whatever it gave.
int BeginDevOperation();
// As BeginDevOperation, but gives 0 at once when the sensor is held.
int TryBeginDevOperation();
void EndDevOperation();
// 1 when another program changed the current sensor's configuration since
// this program last read or wrote it.
int DevChangedElsewhere();

class DevOperation {
public:
    enum Wait { WaitForSensor, DoNotWait };
    explicit DevOperation(Wait wait = WaitForSensor)
        : held_((wait == WaitForSensor ? BeginDevOperation() : TryBeginDevOperation()) != 0)
    {
    }
    ~DevOperation() { EndDevOperation(); }
    DevOperation(const DevOperation&) = delete;
    DevOperation& operator=(const DevOperation&) = delete;

    bool held() const { return held_; }

private:
    bool held_;
};

// ---- HID binding and device discovery ---------------------------------------

int BindHidLib();
int BindSetupLib();
// The open handle, or platform::kInvalidHandle.
platform::Handle OpenSensorPath(const char* path, tsDevSlot* slot);
void EnumSensors();
// Whether the current sensor is still among the present keyboards: 1 when
// it is, 0 when it has gone (or the table is empty), -1 when the present
// devices cannot be listed. A sensor pulled out fails its exchanges before
// its removal is handled.
int CheckDevPresent();
int GetFeatureRpt(std::uint8_t* report);
int SetFeatureRpt(const std::uint8_t* report);
int GetSensorIfGuid(std::uint8_t* guid16);
int OnDevArrival(const char* path);
int OnDevRemoval(const char* path);

// ---- Configuration transfer protocol ----------------------------------------

int ReadDevConfig();
// Reads only the device info (LUID and firmware version) of the current sensor:
// one exchange, no parameter block; a failure leaves 0x00020000 ORed on.
int ReadDevInfo();
int WriteDevConfig();
void ClampSonarParms(tsSonarParms* sonar);

int GetSonarParms(tsSonarParms* dest);
int GetWalkAwayParms(tsWalkAwayParms* dest);
int GetWalkUpParms(tsWalkUpParms* dest);
int GetWalkAwayParmsEx(tsWalkAwayParmsEx* dest);
int GetWalkUpParmsEx(tsWalkUpParmsEx* dest);
int GetIdleParms(tsIdleParms* dest);

int SetSonarParms(const tsSonarParms* source);
int SetWalkAwayParms(const tsWalkAwayParms* source);
int SetWalkUpParms(const tsWalkUpParms* source);
int SetWalkAwayParmsEx(const tsWalkAwayParmsEx* source);
int SetWalkUpParmsEx(const tsWalkUpParmsEx* source);
int SetIdleParms(const tsIdleParms* source);

// ---- Device commands and range readout ------------------------------------

// Told on a sensor's own thread as soon as its read ends, while the other
// sensors may still be read: its index and what ReadDevConfig gave.
using SensorReadEnded = std::function<void(std::int16_t index, int read)>;
// Reads the sensors at these indices of the table at once, telling readEnded
// (when given) of each as it ends. The lowest index read completely, or -1.
std::int16_t ReadSensorsAtOnce(const std::vector<std::int16_t>& indices, const SensorReadEnded& readEnded);
// Discovers and reads every sensor, all at once; 1 when one was read
// completely, the first such in the table, which is then current and whose
// firmware version is reported. readEnded is told of each read as it ends.
int OpenSensors(std::uint32_t* firmwareVersion, const SensorReadEnded& readEnded = {});
int HaltKeySends(int halt);
int ResetDevToFactory();
int RestoreDevUserDefaults();
int SaveDevUserDefaults();
int GetRangeInfo(tsRangeInfo* info);
std::uint16_t GetDevLuid();
int SetDevLuid(std::uint16_t luid);
std::uint16_t GetDevFwVersion();
