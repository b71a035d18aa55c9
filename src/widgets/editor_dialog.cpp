#include "widgets/editor_dialog.h"

#include "widgets/grid_delegate.h"
#include "widgets/grid_look.h"
#include "widgets/widget_build.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

namespace kaltero::widgets {

EditorDialog::EditorDialog(const QString& caption, const EditorNames& names,
                           QList<EditorColumn> columns, QWidget* window)
    : QDialog(window),
      table_(new EditorTable(std::move(columns), this)),
      view_(named(new QTableView(this), names.table)) {
    setObjectName(names.dialog);
    setWindowTitle(caption);
    setWindowModality(Qt::WindowModal);
    setAutoFillBackground(true);
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(0xE0, 0xE0, 0xE0));
    setPalette(grey);

    setGridLook(view_);
    view_->setModel(table_);
    auto* cells =
        new GridDelegate(view_, [this](const QModelIndex& cell) { return table_->format(cell); });
    view_->setItemDelegate(cells);
    connect(cells, &GridDelegate::buttonClicked, this,
            [this](const QModelIndex& cell) { Q_EMIT rowButtonPressed(cell.row()); });
    for (int c = 0; c < table_->columnCount(); ++c) {
        setWidthInCharacters(view_, c, table_->columns()[c].widthChars);
    }

    // Enter belongs to the table: neither button is the default.
    auto* ok = button(QStringLiteral("登録"), this, names.ok);
    auto* cancel = button(QStringLiteral("Cancel"), this, names.cancel);
    ok->setAutoDefault(false);
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &EditorDialog::confirmed);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* column = new QVBoxLayout(this);
    column->addWidget(view_, 1);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    column->addLayout(row);
}

void EditorDialog::openCentred() {
    const QWidget* window = parentWidget();
    QRect area = window->geometry();
    if (const QScreen* screen = window->screen()) {
        area &= screen->availableGeometry();
    }
    QRect placed(QPoint(), size());
    placed.moveCenter(area.center());
    setGeometry(placed);
    open();
}

void EditorDialog::showCell(int row, int column) {
    const QModelIndex cell = table_->index(row, column);
    view_->setCurrentIndex(cell);
    view_->scrollTo(cell);
    view_->setFocus();
}

void EditorDialog::fitRows(int rows) {
    view_->verticalHeader()->hide();
    view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QHeaderView* header = view_->horizontalHeader();
    int width = 2 * view_->frameWidth() + view_->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < table_->columnCount(); ++c) {
        view_->setColumnWidth(c, std::max(view_->columnWidth(c), header->sectionSizeHint(c)));
        width += view_->columnWidth(c);
    }
    const int height = 2 * view_->frameWidth() + header->sizeHint().height() +
                       rows * view_->verticalHeader()->defaultSectionSize();
    view_->setFixedSize(width, height);
    resize(sizeHint());
}

}  // namespace kaltero::widgets
