#pragma once

#include "engine/notice.h"
#include "link/lap_repair.h"
#include "platform/prompts.h"

#include <QString>

namespace kaltero::wording {

// A notice as the operator reads it: the text, the box's title and its icon.
struct Words {
    QString text;
    QString title;
    platform::PromptIcon icon = platform::PromptIcon::None;
};

// The console's words for what the engine tells or asks; paths in the system's own form.
//   {CheckPortTaken, port 7001} -> "アドレス確認用のポート7001を開けません。…", "ポート確認",
//   Critical
Words words(const engine::Notice& notice);

// Why a lap repair cannot be done, as the operator reads it.
//   NextLapRunning -> "次の周はまだ走行中です。"
QString words(link::RepairRefusal refusal);

}  // namespace kaltero::wording
