#include "buttons/msystray.h"

#include "buttons/notify_area.h"

#include <QPlatformSurfaceEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <vector>

namespace drapix {

namespace {

// The hook of one host window: it sees the window's events before the window does, and passes
// every one of them on.
class TrayWindowProc : public QObject {
public:
    explicit TrayWindowProc(QWidget* host) : host_(host) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> host_;
};

struct HookState {
    const QWidget* key = nullptr; // the host, also while it is being destroyed
    QPointer<QWidget> host;
    QPointer<QWindow> window; // the host's native window, whose end is watched
    QPointer<QObject> control;
    TrayHookCalls calls;
    QPointer<TrayWindowProc> proc;
    QMetaObject::Connection hostDestroyed;
};

std::vector<HookState>& Hooks() {
    static std::vector<HookState> hooks;
    return hooks;
}

std::vector<HookState>::iterator FindHook(const QWidget* host) {
    auto& hooks = Hooks();
    return std::find_if(hooks.begin(), hooks.end(),
                        [host](const HookState& h) { return h.key == host; });
}

bool TrayWindowProc::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == TrayCallbackEvent::eventType() && watched == host_) {
        const auto* e = static_cast<TrayCallbackEvent*>(event);
        if (e->message() == TrayCallbackMessage) {
            const auto hook = FindHook(host_);
            if (hook != Hooks().end() && hook->control && hook->calls.raise) {
                if (const auto raised = TrayEventFor(e->lParam())) {
                    const auto raise = hook->calls.raise; // the handler may unhook
                    raise(*raised);
                }
            }
        }
    } else if (event->type() == QEvent::PlatformSurface && watched != host_) {
        // The host window ends: its icon goes, and the hook comes off.
        const auto* e = static_cast<QPlatformSurfaceEvent*>(event);
        if (e->surfaceEventType() == QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed) {
            QPointer<QWidget> host = host_;
            const auto hook = FindHook(host);
            if (hook != Hooks().end() && hook->control && hook->calls.hostEnds) {
                const auto ends = hook->calls.hostEnds;
                ends();
            }
            if (host)
                UnhookTrayWindow(host);
        }
    }
    return false;
}

} // namespace

std::optional<TrayEvent> TrayEventFor(quint32 lParam) {
    switch (lParam) {
    case WM_LBUTTONUP:
        return TrayEvent::lMouseDown;
    case WM_RBUTTONUP:
        return TrayEvent::rMouseDown;
    case WM_LBUTTONDBLCLK:
        return TrayEvent::lMouseDblClick;
    case WM_RBUTTONDBLCLK:
        return TrayEvent::rMouseDblClick;
    default:
        return std::nullopt;
    }
}

QString TrayEventName(TrayEvent event) {
    switch (event) {
    case TrayEvent::rMouseDblClick:
        return QStringLiteral("rMouseDblClick");
    case TrayEvent::lMouseDblClick:
        return QStringLiteral("lMouseDblClick");
    case TrayEvent::lMouseDown:
        return QStringLiteral("lMouseDown");
    case TrayEvent::rMouseDown:
        return QStringLiteral("rMouseDown");
    }
    return {};
}

QString TrayTipField(const QString& caption) {
    qsizetype length = std::min<qsizetype>(caption.size(), kTipLength);
    if (length == kTipLength && caption.size() > kTipLength &&
        caption[length - 1].isHighSurrogate())
        --length;
    return caption.left(length).leftJustified(kTipLength, QLatin1Char(' '));
}

void HookTrayWindow(QObject* control, QWidget* host, TrayHookCalls calls) {
    if (!control || !host)
        return;
    UnhookTrayWindow(host);
    HookState state;
    state.key = host;
    state.host = host;
    state.control = control;
    state.calls = std::move(calls);
    state.proc = new TrayWindowProc(host);
    host->installEventFilter(state.proc);
    state.window = host->windowHandle();
    if (state.window)
        state.window->installEventFilter(state.proc);
    // A host deleted without its native window ending first (never shown) takes its state.
    state.hostDestroyed = QObject::connect(host, &QObject::destroyed, [host] {
        auto it = FindHook(host);
        if (it == Hooks().end())
            return;
        delete it->proc.data();
        Hooks().erase(it);
    });
    Hooks().push_back(state);
}

void UnhookTrayWindow(QWidget* host, const QObject* control) {
    auto it = FindHook(host);
    if (it == Hooks().end())
        return;
    if (control && it->control != control)
        return;
    HookState state = *it;
    Hooks().erase(it);
    QObject::disconnect(state.hostDestroyed);
    if (state.proc) {
        if (state.host)
            state.host->removeEventFilter(state.proc);
        if (state.window)
            state.window->removeEventFilter(state.proc);
        // It may be the one calling.
        state.proc->deleteLater();
    }
}

QObject* AttachedControl(const QWidget* host) {
    auto it = FindHook(host);
    return it == Hooks().end() ? nullptr : it->control.data();
}

int HookedTrayWindows() {
    return int(Hooks().size());
}

} // namespace drapix
