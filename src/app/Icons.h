// The program's own pictures, drawn in code: the program icon, the item buttons and the three
// marks of the results grid.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace vlmr {

QIcon ProgramIcon();
QPixmap BackgroundPicture(int width, int height);
QPixmap PromotedMark();   // 24 x 16
QPixmap CertifiedMark();  // 14 x 13
QPixmap PlainMark();      // 16 x 16
QPixmap SharedMark();     // 16 x 16: every mobile of the company is shared
QIcon StartIcon();
QIcon StopIcon();
QIcon DeleteIcon();
QIcon ExportIcon();

}  // namespace vlmr
