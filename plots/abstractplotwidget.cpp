#include "plots/abstractplotwidget.h"

#include "engine/simulator.h"

#include "plots/navigableplot.h"

#include <qwt_plot_renderer.h>

#include <QContextMenuEvent>
#include <QFile>
#include <QFileInfo>
#include <QIntValidator>
#include <QMenu>

#include <algorithm>

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
  setMinimumSize(minimumReadableWidth, minimumReadableHeight);
}

AbstractPlotWidget::~AbstractPlotWidget() = default;

bool AbstractPlotWidget::isRefreshDue(const Simulator *engine)
{
  if (!engine || !checkBox->isChecked())
    return false;
  const unsigned every = lineEdit->text().toUInt();
  period = every > static_cast<unsigned>(INT_MAX) ? INT_MAX : static_cast<int>(every);
  const long long n = period < 1 ? 1 : period;
  return engine->iteration % n == 0;
}

QString AbstractPlotWidget::pictureFilter()
{
  return tr("PNG image (*.png);;SVG drawing (*.svg);;PDF document (*.pdf)");
}

bool AbstractPlotWidget::exportPicture(const QString &fileName) const
{
  NavigablePlot *plot = navigablePlot();
  const QString format = QFileInfo(fileName).suffix().toLower();
  if (!plot || (format != QLatin1String("png") && format != QLatin1String("svg") &&
                format != QLatin1String("pdf")))
    return false;
  QFile::remove(fileName);
  // The picture has the size of the plot on the screen (96 dots per inch).
  const QSize pixels = plot->size().expandedTo(QSize(400, 300));
  const QSizeF millimetres(pixels.width() * 25.4 / 96.0, pixels.height() * 25.4 / 96.0);
  QwtPlotRenderer renderer;
  renderer.renderDocument(plot, fileName, format, millimetres, 96);
  return QFileInfo(fileName).size() > 0;
}

void AbstractPlotWidget::contextMenuEvent(QContextMenuEvent *event)
{
  NavigablePlot *plot = navigablePlot();
  if (!plot) {
    QWidget::contextMenuEvent(event);
    return;
  }
  QMenu menu(this);
  QAction *reset = menu.addAction(tr("Reset zoom"));
  reset->setEnabled(plot->isZoomed());
  connect(reset, &QAction::triggered, plot, &NavigablePlot::resetView);
  connect(menu.addAction(tr("Export Picture...")), &QAction::triggered, this,
          &AbstractPlotWidget::exportPictureRequested);
  menu.exec(event->globalPos());
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
