#pragma once

#include <QStringList>
#include <QWidget>

namespace kelvrin::ui {

// A short text on how the conversions are made, one line per list item.
class InformationWindow final : public QWidget {
  Q_OBJECT

 public:
  explicit InformationWindow(QWidget* parent = nullptr);

  static QStringList lines();
};

}  // namespace kelvrin::ui
