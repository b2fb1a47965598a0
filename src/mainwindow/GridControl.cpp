#include "mainwindow/GridControl.h"

#include <QHeaderView>
#include <QScrollBar>

#include "i18n/Fonts.h"
#include "measure/LiveTable.h"

GridModel::GridModel(int columns, QObject *parent) : QAbstractTableModel(parent), m_columns(columns)
{
    for (int c = 0; c < columns; ++c)
        m_headers << QString();
}

int GridModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : qMax(m_rows, m_fillRows); }

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    // The empty rows after the last one are only drawn.
    return index.isValid() && index.row() < m_rows ? QAbstractTableModel::flags(index) : Qt::NoItemFlags;
}

void GridModel::setFillRows(int rows)
{
    const int before = rowCount(), after = qMax(m_rows, qMax(0, rows));
    if (after > before)
        beginInsertRows(QModelIndex(), before, after - 1);
    else if (after < before)
        beginRemoveRows(QModelIndex(), after, before - 1);
    m_fillRows = qMax(0, rows);
    if (after > before)
        endInsertRows();
    else if (after < before)
        endRemoveRows();
}
int GridModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_columns; }

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return text(index.row() + 1, index.column() + 1);
    return {};
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_headers.value(section);
    return section + 1;
}

void GridModel::setMaxRows(int rows)
{
    rows = qMax(0, rows);
    if (rows == m_rows)
        return;
    beginResetModel();
    m_rows = rows;
    if (m_cells.size() > rows)
        m_cells.resize(rows);
    endResetModel();
}

void GridModel::setText(int row, int col, const QString &text)
{
    if (col < 1 || col > m_columns)
        return;
    if (row == 0) {
        m_headers[col - 1] = text;
        emit headerDataChanged(Qt::Horizontal, col - 1, col - 1);
        return;
    }
    if (row < 1 || row > m_rows)
        return;
    if (m_cells.size() < row)
        m_cells.resize(row);
    QStringList &cells = m_cells[row - 1];
    if (cells.isEmpty()) {
        if (text.isEmpty())
            return;
        for (int c = 0; c < m_columns; ++c)
            cells << QString();
    }
    cells[col - 1] = text;
    const QModelIndex i = index(row - 1, col - 1);
    emit dataChanged(i, i);
}

QString GridModel::text(int row, int col) const
{
    if (col < 1 || col > m_columns)
        return {};
    if (row == 0)
        return m_headers.at(col - 1);
    if (row < 1 || row > m_cells.size())
        return {};
    return m_cells.at(row - 1).value(col - 1);
}

void GridModel::setRow(int row, const QStringList &texts)
{
    if (row < 1 || row > m_rows)
        return;
    if (m_cells.size() < row)
        m_cells.resize(row);
    QStringList cells = texts.mid(0, m_columns);
    while (cells.size() < m_columns)
        cells << QString();
    m_cells[row - 1] = cells;
    emit dataChanged(index(row - 1, 0), index(row - 1, m_columns - 1));
}

void GridModel::clearRows(int lastRow)
{
    const int last = qMin(lastRow, int(m_cells.size()));
    for (int r = 0; r < last; ++r)
        m_cells[r].clear();
    if (last > 0)
        emit dataChanged(index(0, 0), index(last - 1, m_columns - 1));
}

GridControl::GridControl(int columns, QWidget *parent) : QTableView(parent), m_model(new GridModel(columns, this))
{
    setModel(m_model);
    setUp();
}

GridControl::GridControl(QAbstractItemModel *model, QWidget *parent) : QTableView(parent)
{
    setModel(model);
    setUp();
}

int GridControl::maxRows() const
{
    if (m_model)
        return m_model->maxRows();
    if (auto *live = qobject_cast<LiveTableModel *>(model()))
        return live->maxRows();
    return model()->rowCount();
}

void GridControl::setMaxRows(int rows)
{
    if (m_model)
        m_model->setMaxRows(rows);
}

void GridControl::setText(int row, int col, const QString &text)
{
    if (m_model)
        m_model->setText(row, col, text);
    else if (row == 0)
        model()->setHeaderData(col - 1, Qt::Horizontal, text);
}

QString GridControl::text(int row, int col) const
{
    if (m_model)
        return m_model->text(row, col);
    if (row == 0)
        return model()->headerData(col - 1, Qt::Horizontal).toString();
    return model()->data(model()->index(row - 1, col - 1)).toString();
}

void GridControl::setUp()
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    connect(this, &QTableView::clicked, this, [this](const QModelIndex &index) {
        emit cellClicked(index.column() + 1, index.row() + 1);
    });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current, const QModelIndex &) {
                if (current.isValid())
                    emit activeRowChanged(current.row() + 1);
            });
}

void GridControl::setTopRow(int row)
{
    if (row < 1 || row > maxRows())
        return;
    verticalScrollBar()->setValue(row - 1);
    scrollTo(model()->index(row - 1, 0), QAbstractItemView::PositionAtTop);
}

int GridControl::topRow() const
{
    const QModelIndex index = indexAt(QPoint(1, 1));
    return index.isValid() ? index.row() + 1 : 0;
}

void GridControl::setGridFont(const QString &family, int charSet, int pointSize)
{
    QFont f = fonts::fontFor(family, charSet, font());
    if (pointSize > 0)
        f.setPointSize(pointSize);
    setFont(f);
    horizontalHeader()->setFont(f);
    verticalHeader()->setFont(f);
}

void GridControl::setSelectedRow(int row)
{
    if (row < 1 || row > maxRows())
        return;
    selectRow(row - 1);
}

int GridControl::selectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : rows.first().row() + 1;
}

void GridControl::setFillViewport(bool on)
{
    m_fillViewport = on;
    updateFillRows();
}

void GridControl::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    updateFillRows();
}

void GridControl::updateFillRows()
{
    const int rowHeight = qMax(1, verticalHeader()->defaultSectionSize());
    const int fill = m_fillViewport ? viewport()->height() / rowHeight + 1 : 0;
    if (m_model)
        m_model->setFillRows(fill);
    else if (auto *live = qobject_cast<LiveTableModel *>(model()))
        live->setFillRows(fill);
}

int GridControl::activeRow() const
{
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.row() + 1 : 0;
}
