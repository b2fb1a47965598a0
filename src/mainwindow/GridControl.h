#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <QVector>

// The spreadsheet grid both windows use: the live table (9 columns) and the page directory
// (5 columns). Rows and columns count from 1; row 0 is the header row. Cell texts are stored
// row by row only once written, so 65,500 empty rows cost little.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(int columns, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void setMaxRows(int rows);
    int maxRows() const { return m_rows; }
    // Row 0 sets the header. Setting "" blanks the cell.
    void setText(int row, int col, const QString &text);
    QString text(int row, int col) const;
    // Fill one data row at once (columns 1..n), one change signal.
    void setRow(int row, const QStringList &texts);
    // Blank rows 1..lastRow.
    void clearRows(int lastRow);
    // Empty rows shown after the last row, so the table fills its window like a spreadsheet.
    void setFillRows(int rows);
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    int m_columns;
    int m_rows = 0;
    int m_fillRows = 0;
    QStringList m_headers;
    QVector<QStringList> m_cells;  // index row-1; empty list = blank row
};

class GridControl : public QTableView {
    Q_OBJECT
public:
    // A grid of its own texts.
    explicit GridControl(int columns, QWidget *parent = nullptr);
    // A grid that shows another model (the live table); its rows are that model's.
    explicit GridControl(QAbstractItemModel *model, QWidget *parent = nullptr);

    // The grid's own texts (nullptr when it shows another model).
    GridModel *grid() const { return m_model; }
    void setMaxRows(int rows);
    // The rows that hold (or may hold) data, without the empty ones drawn below them.
    int maxRows() const;
    // Row 0 is the header row.
    void setText(int row, int col, const QString &text);
    QString text(int row, int col) const;
    // Scroll so that the given data row is the top visible row.
    void setTopRow(int row);
    int topRow() const;
    // Font of the whole grid, header row included. charSet: 128 Shift-JIS, 134 GB2312, 0 ANSI.
    void setGridFont(const QString &family, int charSet, int pointSize = -1);
    void setSelectedRow(int row);
    int selectedRow() const;
    int activeRow() const;
    // Show empty rows down to the bottom edge however few rows the table holds.
    void setFillViewport(bool on);

signals:
    void cellClicked(int col, int row);
    void activeRowChanged(int row);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setUp();
    void updateFillRows();

    GridModel *m_model = nullptr;
    bool m_fillViewport = false;
};
