#pragma once

#include <QWidget>

class QToolButton;

// The up-down arrows beside the page field: a value in minimum..maximum, stepped by its two
// buttons or the arrow keys, without a text of its own (the page field shows the number).
class UpDownSpinner : public QWidget {
    Q_OBJECT
public:
    explicit UpDownSpinner(QWidget *parent = nullptr);

    int value() const { return m_value; }
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    // The value is kept inside the range; valueChanged when it moved.
    void setRange(int minimum, int maximum);
    void setValue(int value);
    void stepUp() { setValue(m_value + 1); }
    void stepDown() { setValue(m_value - 1); }

    QSize sizeHint() const override;

signals:
    void valueChanged(int value);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    QToolButton *m_up;
    QToolButton *m_down;
    int m_min = 0;
    int m_max = 0;
    int m_value = 0;
};
