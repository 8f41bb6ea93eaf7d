#pragma once
// One tick's values as the recording keeps them.
#include "engine/tick_record.h"
#include "recording/recording_format.h"

namespace gripline {

inline RecordingSample recordingSample(const TickRecord& r, uint64_t timeUs) {
    RecordingSample s{};
    s.TimeUs = timeUs;
    s.TickCount = r.TickCount;
    s.Speed = r.Speed;
    s.SteeringWheelAngle = r.SteeringWheelAngle;
    s.SteeringWheelTorque = r.SteeringWheelTorque;
    s.VelocityX = r.VelocityX;
    s.VelocityY = r.VelocityY;
    s.LongAccel = r.LongAccel;
    s.LatAccel = r.LatAccel;
    s.YawRate = r.YawRate;
    s.UndersteerMargin = r.UndersteerMargin;
    s.UndersteerActivity = r.UndersteerActivity;
    s.BaseForce = r.BaseForce;
    s.ResistanceForce = r.ResistanceForce;
    s.SuspensionDetailForce = r.SuspensionDetailForce;
    s.OversteerSmoothed = r.OversteerSmoothed;
    s.FinalForce = r.FinalForce;
    s.FullScaleNm = r.FullScaleNm;
    s.CrashFactor = r.CrashFactor;
    s.Clipped = r.Clipped ? 1 : 0;
    s.SuspensionPriority = r.SuspensionPriority ? 1 : 0;
    s.AbsActive = r.AbsActive ? 1 : 0;
    return s;
}

} // namespace gripline
