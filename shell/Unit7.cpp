#include "shell/Unit7.h"

int ContorMax = 0;

TContor::TContor(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName("Contor");
}

void TContor::Arata(QWidget*) {}
void TContor::Distruge(QWidget*) {}
void TContor::ContorPos(int) {}
