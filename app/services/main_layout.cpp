#include "services/main_layout.h"

#include <algorithm>
#include <initializer_list>

namespace meridane {

int ApplyResizeRules(MainGeometry& g, float height, float width) {
    // The size steps in order; a negative result ends the pass.
    struct Step {
        float* target;
        float value;
    };
    const Step steps[] = {{&g.Frame1.height, height - 780},
                          {&g.RichTextBox1.height, height - 1853},
                          {&g.RichTextBox1.width, width - 4040},
                          {&g.List1.height, height - 2424}};
    int done = 0;
    for (const Step& step : steps) {
        if (step.value < 0)
            return done;
        *step.target = step.value;
        ++done;
    }
    const float listBottom = g.List1.top + g.List1.height;
    g.Command1.top = g.Command2.top = listBottom + 162;
    for (TwipRect* button : {&g.Command4, &g.Command5, &g.Command6, &g.Command7, &g.Command8,
                             &g.Command9, &g.Command10})
        button->top = listBottom + 412;
    return done + 2;
}

QRect FitIntoWorkArea(const QRect& workArea, const QRect& wanted, QSize frame) {
    const QSize room = workArea.size() - frame;
    const QSize size(std::clamp(wanted.width(), 1, std::max(1, room.width())),
                     std::clamp(wanted.height(), 1, std::max(1, room.height())));
    const QSize outer = size + frame;
    const int x =
        std::clamp(wanted.x(), workArea.left(),
                   std::max(workArea.left(), workArea.left() + workArea.width() - outer.width()));
    const int y =
        std::clamp(wanted.y(), workArea.top(),
                   std::max(workArea.top(), workArea.top() + workArea.height() - outer.height()));
    return QRect(QPoint(x, y), size);
}

} // namespace meridane
