#include "program_folder/folder_chooser.h"

#include <QHeaderView>
#include <QPainter>
#include <QPixmap>
#include <QTreeView>

#include "program_folder/folder_files.h"

namespace quorvia::program_folder {
namespace {

// The ordinary folder icon with a green disc in its lower right corner.
QIcon MarkedFolderIcon(const QIcon& folder) {
  QIcon marked;
  for (const int size : {16, 22, 32, 48}) {
    QPixmap pixmap = folder.pixmap(size, size);
    if (pixmap.isNull()) {
      pixmap = QPixmap(size, size);
      pixmap.fill(Qt::transparent);
    }
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, std::max(1, size / 16)));
    painter.setBrush(QColor(0x2e, 0x8b, 0x57));
    const int disc = size / 2;
    painter.drawEllipse(size - disc, size - disc, disc - 1, disc - 1);
    painter.end();
    marked.addPixmap(pixmap);
  }
  return marked;
}

}  // namespace

DatabaseFolderIcons::DatabaseFolderIcons()
    : databaseFolderIcon_(MarkedFolderIcon(QFileIconProvider::icon(QAbstractFileIconProvider::Folder))) {}

QIcon DatabaseFolderIcons::icon(const QFileInfo& info) const {
  if (info.isDir() && HoldsDatabase(info.filesystemFilePath())) return databaseFolderIcon_;
  return QFileIconProvider::icon(info);
}

QString DatabaseFolderIcons::type(const QFileInfo& info) const {
  if (info.isDir()) {
    const std::string database = DatabaseFileIn(info.filesystemFilePath());
    if (!database.empty()) return QStringLiteral("Quorvia folder (%1)").arg(QString::fromStdString(database));
  }
  return QFileIconProvider::type(info);
}

FolderChooser::FolderChooser(QWidget* parent, const QString& startFolder)
    : QFileDialog(parent, QStringLiteral("Open a folder that holds MOSA_DB.mdb"), startFolder),
      icons_(std::make_unique<DatabaseFolderIcons>()) {
  // The desktop's own dialog would not show which folders hold a database.
  setOption(QFileDialog::DontUseNativeDialog);
  setOption(QFileDialog::ShowDirsOnly);
  setFileMode(QFileDialog::Directory);
  setViewMode(QFileDialog::Detail);
  setIconProvider(icons_.get());
  setLabelText(QFileDialog::Accept, QStringLiteral("Open"));
  // Wide enough that the type column names the database file in full.
  resize(860, 500);
  if (auto* view = findChild<QTreeView*>(QStringLiteral("treeView"))) {
    view->header()->resizeSection(0, 300);
    view->header()->resizeSection(2, 220);
    view->header()->resizeSection(3, 150);
  }
}

}  // namespace quorvia::program_folder
