#pragma once

#include <QFileDialog>
#include <QFileIconProvider>
#include <memory>

namespace quorvia::program_folder {

// Marks the folders that hold a database: their own icon, and their type names the database file, so the
// user sees in the chooser which folders Quorvia can open.
class DatabaseFolderIcons final : public QFileIconProvider {
 public:
  DatabaseFolderIcons();
  QIcon icon(const QFileInfo& info) const override;
  QString type(const QFileInfo& info) const override;

 private:
  QIcon databaseFolderIcon_;
};

// The folder chooser of "Open folder…": folders only, in a detailed list that shows each folder's type.
// It keeps its icon provider for as long as it lives.
class FolderChooser final : public QFileDialog {
  Q_OBJECT

 public:
  FolderChooser(QWidget* parent, const QString& startFolder);

 private:
  std::unique_ptr<DatabaseFolderIcons> icons_;
};

}  // namespace quorvia::program_folder
