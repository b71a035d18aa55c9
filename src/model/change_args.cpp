#include "model/change_args.h"

namespace kaltero::model {

using namespace Qt::StringLiterals;

QVariantMap lapArgs(const core::Lap& lap) {
    return {
        {u"timed"_s, lap.timed},         {u"ticks"_s, lap.ticks},     {u"timeText"_s, lap.timeText},
        {u"driver"_s, lap.driver},       {u"remarks"_s, lap.remarks}, {u"log"_s, lap.log},
        {u"corrected"_s, lap.corrected}, {u"edited"_s, lap.edited},   {u"endTick"_s, lap.endTick}};
}

core::Lap lapFrom(const QVariantMap& a) {
    core::Lap lap;
    lap.timed = a.value(u"timed"_s).toBool();
    lap.ticks = a.value(u"ticks"_s).toInt();
    lap.timeText = a.value(u"timeText"_s).toString();
    lap.driver = a.value(u"driver"_s).toString();
    lap.remarks = a.value(u"remarks"_s).toString();
    lap.log = a.value(u"log"_s).toString();
    lap.corrected = a.value(u"corrected"_s).toBool();
    lap.edited = a.value(u"edited"_s).toBool();
    lap.endTick = a.value(u"endTick"_s).toInt();
    return lap;
}

QVariantMap figuresArgs(const Figures& f) {
    return {{u"BestLapTicks"_s, f.BestLapTicks},
            {u"BestLapNo"_s, f.BestLapNo},
            {u"BestLapTxt"_s, f.BestLapTxt},
            {u"AveLapTicks"_s, f.AveLapTicks},
            {u"DrvBestLapTicks"_s, f.DrvBestLapTicks},
            {u"DrvBestLapNo"_s, f.DrvBestLapNo},
            {u"DrvTotalTicks"_s, f.DrvTotalTicks},
            {u"DrvLapCnt"_s, f.DrvLapCnt},
            {u"Lbl_BestLapTm"_s, f.Lbl_BestLapTm},
            {u"Lbl_AveLapTm"_s, f.Lbl_AveLapTm},
            {u"Lbl_YosoSyu"_s, f.Lbl_YosoSyu},
            {u"Lbl_DrvrBestLapTm"_s, f.Lbl_DrvrBestLapTm},
            {u"Lbl_DrvrAveLapTm"_s, f.Lbl_DrvrAveLapTm}};
}

Figures figuresFrom(const QVariantMap& a) {
    Figures f;
    f.BestLapTicks = a.value(u"BestLapTicks"_s).toInt();
    f.BestLapNo = a.value(u"BestLapNo"_s).toInt();
    f.BestLapTxt = a.value(u"BestLapTxt"_s).toString();
    f.AveLapTicks = a.value(u"AveLapTicks"_s).toInt();
    f.DrvBestLapTicks = a.value(u"DrvBestLapTicks"_s).toInt();
    f.DrvBestLapNo = a.value(u"DrvBestLapNo"_s).toInt();
    f.DrvTotalTicks = a.value(u"DrvTotalTicks"_s).toInt();
    f.DrvLapCnt = a.value(u"DrvLapCnt"_s).toInt();
    f.Lbl_BestLapTm = a.value(u"Lbl_BestLapTm"_s).toString();
    f.Lbl_AveLapTm = a.value(u"Lbl_AveLapTm"_s).toString();
    f.Lbl_YosoSyu = a.value(u"Lbl_YosoSyu"_s).toString();
    f.Lbl_DrvrBestLapTm = a.value(u"Lbl_DrvrBestLapTm"_s).toString();
    f.Lbl_DrvrAveLapTm = a.value(u"Lbl_DrvrAveLapTm"_s).toString();
    return f;
}

}  // namespace kaltero::model
