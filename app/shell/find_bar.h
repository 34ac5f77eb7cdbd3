// The find bar under the record pane: a box for the text to find, "n / total", and a button that
// closes it. Enter and Shift+Enter ask for the next and the previous place, Esc closes it.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QToolButton;

namespace meridane {

class FindBar : public QWidget {
    Q_OBJECT
public:
    explicit FindBar(QWidget* parent = nullptr);

    QString text() const;
    void setCounter(const QString& counter);
    // Shows the bar with the focus in its box, the text in it selected.
    void open();

signals:
    void textChanged(const QString& text);
    void stepRequested(bool forward);
    void closeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit_;
    QLabel* counter_;
    QToolButton* close_;
};

} // namespace meridane
