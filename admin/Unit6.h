// Backup and restore of the Data folder into one compressed archive.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "admin/backup_archive.h"

class QFileDialog;
class QPushButton;
class QStatusBar;

class TForm21 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm21(QWidget* parent = nullptr);

  // Full paths of the files the last save listed: Data first, then Arhiva.
  QStringList NumeFisiere;

  // Fills NumeFisiere from the folders Data and Arhiva of `cale` (a missing
  // Arhiva adds nothing). Throws ArchiveError for a file name an archive
  // cannot hold.
  void ListFileDir(const QString& cale);
  // Deletes every file of the folder, not its sub-folders, but `pastreaza`
  // when given; a file that cannot be deleted stays.
  void GolesteDir(const QString& dir, const QString& pastreaza = QString());
  // Writes the archive of NumeFisiere; throws ArchiveError, leaving no archive.
  void CompressFiles(const QString& arhiva);
  // Writes every member of the archive under `cale`; throws ArchiveError at
  // the first fault, with the members before it in place.
  void DecompressFiles(const QString& arhiva, const QString& cale);

  void ConvexBtn1Click();  // save
  void ConvexBtn2Click();  // restore

  // Starts a new copy of the program in the current folder and ends this one
  // at once, without the toolbar's closing question. Tests put their own in.
  std::function<void()> Reporneste;

  QPushButton* ConvexBtn1;  // "Salveaza baza de date"
  QPushButton* ConvexBtn2;  // "Restaureaza baza de date"
  QStatusBar* StatusBar1;
  QFileDialog* SaveDialog1;
  QFileDialog* OpenDialog1;

 public slots:
  void done(int result) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The chosen file, or empty when the dialog was cancelled.
  QString AlegeFisier(QFileDialog* dialog);

  std::vector<lumi::archive::SourceFile> fisiere_;
};
