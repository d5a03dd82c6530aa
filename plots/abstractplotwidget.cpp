#include "plots/abstractplotwidget.h"

#include "engine/simulator.h"

#include <QIntValidator>

#include <climits>

AbstractPlotWidget::AbstractPlotWidget(int refreshPeriod, const QString &title,
                                       unsigned short objectIndex, QWidget *parent)
    : QWidget(parent), period(refreshPeriod), titleText(title), index(objectIndex)
{
  setupUi(this);
  lineEdit->setValidator(new QIntValidator(1, INT_MAX, lineEdit));
  lineEdit->setText(QString::number(refreshPeriod));
  lineEdit_2->setValidator(new QIntValidator(INT_MIN, INT_MAX, lineEdit_2));
  connect(lineEdit_2, &QLineEdit::textEdited, this, &AbstractPlotWidget::updateYAxisLowerLimit);
  connect(lineEdit_2, &QLineEdit::returnPressed, this, &AbstractPlotWidget::setYAxisLowerLimit);
  setAttribute(Qt::WA_DeleteOnClose);
}

AbstractPlotWidget::~AbstractPlotWidget() = default;

bool AbstractPlotWidget::wantsRefresh(const Simulator *engine)
{
  if (!engine || !checkBox->isChecked())
    return false;
  const unsigned every = lineEdit->text().toUInt();
  period = every > static_cast<unsigned>(INT_MAX) ? INT_MAX : static_cast<int>(every);
  const long long n = period < 1 ? 1 : period;
  return engine->iteration % n == 0;
}

void AbstractPlotWidget::on_checkBox_stateChanged(int state)
{
  lineEdit->setEnabled(state == Qt::Checked);
  lineEdit_2->setEnabled(true);
}

void AbstractPlotWidget::updateYAxisLowerLimit(const QString &text)
{
  lowerLimitText = text;
  if (text.isEmpty())
    lowerLimitActive = 0;
  else
    yLowerLimit = text.toDouble();
}

void AbstractPlotWidget::setYAxisLowerLimit()
{
  if (!lowerLimitText.isEmpty())
    lowerLimitActive = 1;
}
