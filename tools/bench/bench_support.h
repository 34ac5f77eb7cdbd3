// What the benchmarks share: printing a line at once, timing a call, the median of runs, and
// message boxes that answer at once.
#pragma once

#include "search/message_service.h"

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace meridane::bench {

// Prints s and a line end, and flushes, so that a figure is seen as soon as it is known.
inline void Out(const QString& s) {
    const QByteArray b = (s + QLatin1Char('\n')).toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
    std::fflush(stdout);
}

// How long f() takes, in milliseconds.
template <typename F> double TimeMs(F f) {
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

// The middle value of v (the upper one of an even count); 0 for none.
inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Message boxes answered OK at once, none shown: a benchmark times the work, not a user.
class QuietMessages : public MessageService {
public:
    int MsgBox(const QString&, int, const QString&) override { return MsgAnswer::Ok; }
};

} // namespace meridane::bench
