#include "controls/TitleBand.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStatusBar>
#include <QVBoxLayout>

#include "controls/GradientPanel.h"
#include "controls/RaisedLabel.h"

QWidget* TitleBand(QWidget* parent, const QString& title) {
  auto* banda = new TGradientPanel(parent);
  banda->setObjectName("GradientPanel1");
  banda->SeteazaCulori(QColor(0xA7, 0xBC, 0xEF), QColor(0x15, 0x34, 0x7D));
  banda->setFixedHeight(48);
  auto* titlu = new TRaisedLabel(banda);
  titlu->setObjectName("Label1");
  titlu->setText(title);
  titlu->SeteazaCulori(Qt::white, QColor(0x05, 0x0E, 0x23));
  titlu->setFont(QFont("Arial", 16, QFont::Bold));
  auto* layout = new QHBoxLayout(banda);
  layout->setContentsMargins(16, 4, 16, 4);
  layout->addWidget(titlu);
  layout->addStretch();
  return banda;
}

ListWindowFrame BuildListWindowFrame(QWidget* window, const QString& title, int spacing) {
  auto* root = new QVBoxLayout(window);
  root->setContentsMargins(0, 0, 0, 0);
  root->setSpacing(0);
  root->addWidget(TitleBand(window, title));
  auto* body = new QHBoxLayout;
  body->setContentsMargins(8, 8, 8, 8);
  body->setSpacing(spacing);
  root->addLayout(body, 1);
  auto* bar = new QStatusBar(window);
  bar->setObjectName("StatusBar1");
  bar->setSizeGripEnabled(false);
  bar->addWidget(new QLabel("ESC - Iesire", bar));
  root->addWidget(bar);
  return {body, bar};
}
