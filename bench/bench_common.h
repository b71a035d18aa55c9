#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kaltero::bench {

// The benchmarks drive the real console window; like the tests they need no display.
inline void useOffscreenPlatform() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    }
}

// The value below which `fraction` of the samples lie (nearest rank): 0.5 median, 0.99 p99.
template <typename T>
T percentile(std::vector<T> samples, double fraction) {
    if (samples.empty()) {
        return T{};
    }
    std::sort(samples.begin(), samples.end());
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * double(samples.size())));
    return samples[std::clamp<std::size_t>(rank, 1, samples.size()) - 1];
}

}  // namespace kaltero::bench
