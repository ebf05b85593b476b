#pragma once

// Control ids of dialog 107, the Sonar page.

namespace sonar {

enum Control : int {
    RawLedFlags = 1023,  // hidden: LEDFlagsS as a number, firmware below 0x0143
    PingRate = 1024,
    Cycles = 1025,
    MinDist = 1026,
    MaxDist = 1027,
    InRangeDelay = 1028,
    RawInRangeDelay = 1029,  // hidden: IRDBTmS as a number, firmware below 0x0143
    PowerUpDelay = 1030,
    OutOfRangeDelay = 1031,
    NoInRangeLed = 1044,
    NoOutOfRangeLed = 1045,
    NoTransitionLed = 1046,
    InRangeDelayNote = 1047,
    OutOfRangeDelayNote = 1048,
    MinDistFault = 1056,
    CyclesLabel = 1059,
    DetectDeadTarget = 1061,
    DeadTargetDelta = 1062,
    DeadTargetTime = 1063,
    InRangeMinutes = 1064,
    OutOfRangeMinutes = 1065,
    Blanking = 1066,
    BlankingLabel = 1067,
    LedGroup = 1068,
    StillTargetGroup = 1069,
    DeadTargetDeltaLabel = 1070,
    DeadTargetTimeLabel = 1071,
    MinDistLabel = 1072,
    MinDistNote = 1073,
    MaxDistLabel = 1074,
    MaxDistNote = 1075,
    PingRateLabel = 1076,
    PingRateNote = 1077,
};

}  // namespace sonar
