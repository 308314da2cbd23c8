#pragma once
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <cstdint>

#include "views/pane_find.h"

namespace dx::ui {

// The bar that finds text in the traffic pane: the text, "Match case", "Regular expression" and the
// count ("3 of 17"). It shows the find's state; the monitor window hands the operator's input on.
class FindBar : public QWidget {
    Q_OBJECT
  public:
    explicit FindBar(QWidget* parent = nullptr);

    void sync(const PaneFind& find);

    QLineEdit* findText;
    QCheckBox* matchCase;
    QCheckBox* regularExpression;
    QLabel* matchCount;

  private:
    std::uint64_t seen_ = ~std::uint64_t{0};
};

}  // namespace dx::ui
