#include "transfer/UpDownSpinner.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

UpDownSpinner::UpDownSpinner(QWidget *parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this))
{
    setFocusPolicy(Qt::StrongFocus);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_up->setObjectName(QStringLiteral("UpDown1Up"));
    m_down->setObjectName(QStringLiteral("UpDown1Down"));
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    m_up->setAccessibleName(QStringLiteral("Next page"));
    m_down->setAccessibleName(QStringLiteral("Previous page"));
    for (QToolButton *b : {m_up, m_down}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        b->setFixedWidth(18);
        layout->addWidget(b);
    }
    connect(m_up, &QToolButton::clicked, this, &UpDownSpinner::stepUp);
    connect(m_down, &QToolButton::clicked, this, &UpDownSpinner::stepDown);
}

void UpDownSpinner::setRange(int minimum, int maximum)
{
    m_min = minimum;
    m_max = qMax(minimum, maximum);
    setValue(m_value);
}

void UpDownSpinner::setValue(int value)
{
    value = qBound(m_min, value, m_max);
    if (value == m_value)
        return;
    m_value = value;
    emit valueChanged(m_value);
}

QSize UpDownSpinner::sizeHint() const { return {18, 24}; }

void UpDownSpinner::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Up)
        stepUp();
    else if (event->key() == Qt::Key_Down)
        stepDown();
    else
        QWidget::keyPressEvent(event);
}

void UpDownSpinner::wheelEvent(QWheelEvent *event)
{
    if (event->angleDelta().y() > 0)
        stepUp();
    else if (event->angleDelta().y() < 0)
        stepDown();
    event->accept();
}
