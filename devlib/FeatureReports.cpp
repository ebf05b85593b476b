// The two raw transfers of the current slot: reading and sending one feature
// report. A failure replaces the slot's status word with its code.

#include "DevLibInternal.h"

namespace {

std::size_t reportLength()
{
    return LibState().FeatureReportLength;
}

}  // namespace

int GetFeatureRpt(std::uint8_t* report)
{
    if (!report || !devlib::hidBound()) return 0;
    tsDevSlot& slot = devlib::currentSlot();
    if (slot.Handle == platform::kInvalidHandle) {
        slot.Status = kStatusReadNoHandle;
        return 0;
    }
    if (!LibState().Hid.GetFeature) {
        slot.Status = kStatusReadNoEntryPoint;
        return 0;
    }
    if (!platform::current().getFeature(slot.Handle, {report, reportLength()})) {
        slot.Status = kStatusReadFailed;
        return 0;
    }
    return 1;
}

int SetFeatureRpt(const std::uint8_t* report)
{
    if (!report || !devlib::hidBound()) return 0;
    tsDevSlot& slot = devlib::currentSlot();
    if (slot.Handle == platform::kInvalidHandle) {
        slot.Status = kStatusSendNoHandle;
        return 0;
    }
    if (!LibState().Hid.SetFeature) {
        slot.Status = kStatusSendNoEntryPoint;
        return 0;
    }
    if (!platform::current().setFeature(slot.Handle, {report, reportLength()})) {
        slot.Status = kStatusSendFailed;
        return 0;
    }
    return 1;
}
