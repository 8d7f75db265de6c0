// Shows an origin line (views/origin_rules.h) on a label: the reading's time
// in the system's time format, and marked values greyed.
#pragma once

#include <string>

#include "views/origin_rules.h"

class QLabel;
class QWidget;

namespace solwire {

// The time of day in the system locale's long time format, without a zone name.
std::string localeTimeText(const LocalTime& time);

void showOriginLine(QLabel* label, const OriginLine& line);

// Value labels of records that are not the selected site's are greyed.
void greyIfMarked(QWidget* widget, bool marked);

}  // namespace solwire
