#include "archive/Unit1.h"

#include "archive/DownloadPreferences.h"
#include "archive/DownloadSteps.h"
#include "archive/DownloadSummary.h"
#include "archive/QtStepTimer.h"
#include "archive/SlDownloadLink.h"
#include "serial/SlBuffer.h"
#include "serial/SlComm.h"
#include "serial/SlMainThread.h"
#include "ui/ComboBoxFit.h"
#include "ui/DesignScale.h"
#include "ui/MessageBox.h"
#include "ui/WindowPlacement.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace {

constexpr int kStepPeriodMs = 1000;
constexpr int kRingSize = 4096;
constexpr int kNumberedPorts = 10;
const char16_t* const kInformationCaption = u"Information";

}  // namespace

TForm1::TForm1(MeasurementTable& table, std::shared_ptr<ISlMainThreadCaller> mainThread, QWidget* parent)
    : QDialog(parent), mainThread_(std::move(mainThread)), writer_(table) {
    setObjectName("Form1");
    setWindowTitle(QStringLiteral("Zarudedu РС5 \"Нирма\""));
    setWindowFlags(Qt::Window);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    // The layout's pixels are for its own font; with another one they follow its digit width.
    const DesignScale scale(font());
    resize(scale.Size(QSize(480, 173)));

    BitBtn1 = new QPushButton(QStringLiteral("Получить архив"), this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(scale.Rect(QRect(184, 24, 97, 33)));
    BitBtn1->setToolTip(QStringLiteral("Получить изображение"));

    EditTransmit = new QLineEdit(this);
    EditTransmit->setObjectName("EditTransmit");
    EditTransmit->setGeometry(scale.Rect(QRect(136, 112, 145, 21)));
    EditTransmit->setVisible(false);

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setGeometry(scale.Rect(QRect(208, 112, 73, 21)));
    ComboBox1->setEditable(true);
    ComboBox1->setToolTip(QStringLiteral("Выбор порта"));
    for (int n = 1; n <= kNumberedPorts; ++n) {
        ComboBox1->addItem(QStringLiteral("COM%1").arg(n));
    }
    std::vector<std::string> present;
    TSlCustomComm::GetComPortNames(present);
    for (const std::string& name : present) {
        const QString port = QString::fromStdString(name);
        if (ComboBox1->findText(port) < 0) {
            ComboBox1->addItem(port);
        }
    }
    ComboBox1->addItem(QString());
    ComboBox1->setCurrentIndex(0);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(scale.Rect(QRect(136, 80, 209, 17)));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);

    // Below the other controls, off until the user turns it on: the paced download stays the default.
    CheckBoxFast = new QCheckBox(QStringLiteral("Быстрый приём"), this);
    CheckBoxFast->setObjectName("CheckBoxFast");
    CheckBoxFast->setGeometry(scale.Rect(QRect(136, 142, 145, 17)));
    CheckBoxFast->setToolTip(QStringLiteral("Брать ответ прибора, как только он пришёл целиком"));

    // Beside it: off at first, so that a download adds the whole archive as it always did.
    CheckBoxNewOnly = new QCheckBox(QStringLiteral("Только новые записи"), this);
    CheckBoxNewOnly->setObjectName("CheckBoxNewOnly");
    CheckBoxNewOnly->setGeometry(scale.Rect(QRect(288, 142, 180, 17)));
    CheckBoxNewOnly->setToolTip(QStringLiteral("Не добавлять записи, которые уже есть в таблице"));

    setTabOrder(BitBtn1, EditTransmit);
    setTabOrder(EditTransmit, ComboBox1);
    setTabOrder(ComboBox1, ProgressBar1);
    setTabOrder(ProgressBar1, CheckBoxFast);
    setTabOrder(CheckBoxFast, CheckBoxNewOnly);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kStepPeriodMs);

    SlComm1 = new TSlComm(nullptr, mainThread_);
    SlDownloadLink::ApplyMeterSettings(*SlComm1);
    SlComm1->SetPortNum(1);
    SlBuffer1 = new TSlBuffer(nullptr);
    SlBuffer1->SetSize(kRingSize);
    SlBuffer1->SetActive(true);
    SlBuffer1->SetComm(SlComm1);

    link_ = std::make_unique<SlDownloadLink>(*SlComm1, *SlBuffer1);
    stepTimer_ = std::make_unique<QtStepTimer>(*Timer1, [this] { Timer1Timer(); });
    quietTimer_ = new QTimer(this);
    quietTimer_->setInterval(DownloadSteps::kQuietGapMs);
    quietStepTimer_ = std::make_unique<QtStepTimer>(*quietTimer_, [this] { steps_->QuietGapElapsed(); });
    MakeSteps(*stepTimer_);
    link_->SetArrivalHandler([this] { steps_->BytesArrived(); });

    connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    // In the middle of the desktop at every showing, within what the screen has free.
    WindowPlacement::Centred(*this, WindowPlacement::When::EveryShow);
    connect(CheckBoxFast, &QCheckBox::toggled, this, [this](bool on) {
        if (preferences_) {
            preferences_->SetFastDownload(on);
        }
    });
    connect(CheckBoxNewOnly, &QCheckBox::toggled, this, [this](bool on) {
        if (preferences_) {
            preferences_->SetNewRecordsOnly(on);
        }
    });
}

TForm1::~TForm1() {
    Timer1->stop();
    quietTimer_->stop();
    SlBuffer1->OnChange = nullptr;
    steps_.reset();
    delete SlBuffer1;
    // Closing an open port stops its threads.
    delete SlComm1;
}

void TForm1::MakeSteps(StepTimer& timer) {
    steps_ =
        std::make_unique<DownloadSteps>(*link_, timer, static_cast<DownloadObserver&>(*this), quietStepTimer_.get());
}

void TForm1::UseStepTimer(StepTimer* timer) {
    if (steps_->Running()) {
        throw std::logic_error("the step timer cannot change during a download");
    }
    MakeSteps(timer ? *timer : *stepTimer_);
}

void TForm1::RememberIn(std::shared_ptr<DownloadPreferences> preferences) {
    preferences_ = nullptr;
    if (preferences) {
        if (const QString port = preferences->LastPort(); !port.isEmpty()) {
            ComboBox1->setEditText(port);
        }
        CheckBoxFast->setChecked(preferences->FastDownload());
        CheckBoxNewOnly->setChecked(preferences->NewRecordsOnly());
    }
    preferences_ = std::move(preferences);
}

void TForm1::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A device path is longer than "COM1": the box grows to the left, as far as the controls' left edge, so that
    // every name of its list shows whole.
    ComboBoxFit::WidenToItems(*ComboBox1, EditTransmit->x());
    FormShow();
}

void TForm1::FormShow() {
    ProgressBar1->setValue(0);
}

void TForm1::BitBtn1Click() {
    BitBtn1->setEnabled(false);
    writer_.Reset();
    try {
        const QString port = ComboBox1->currentText();
        steps_->Start(port.toStdString(),
                      CheckBoxFast->isChecked() ? DownloadSteps::Pace::Fast : DownloadSteps::Pace::Paced,
                      CheckBoxNewOnly->isChecked() ? DownloadSteps::Records::NewOnly : DownloadSteps::Records::All);
        if (preferences_) {
            preferences_->SetLastPort(port);
        }
    } catch (...) {
        // The start can be tried again, with another port name.
        BitBtn1->setEnabled(true);
        mainThread_->HandleException(std::current_exception());
    }
}

void TForm1::Timer1Timer() {
    steps_->Step();
}

void TForm1::ReplyWaiting(int count) {
    EditTransmit->setText(QString::number(count));
}

void TForm1::ProgressRange(int count) {
    // A range of 0 to 0 makes Qt's bar a busy animation, which would still run at the next showing: an empty archive
    // shows an empty bar instead.
    ProgressBar1->setRange(0, std::max(count, 1));
}

void TForm1::RecordArrived(const ArchiveBytes& staged, int k) {
    if (!writer_.Add(staged, k)) {
        qWarning("%s", UndatedRecordNote(k, staged.Record(k)).c_str());
    }
}

int TForm1::KnownRecordRun(int count) {
    return writer_.KnownRecordRun(count);
}

bool TForm1::RecordIsKnown(const ArchiveBytes& staged, int k) {
    return writer_.IsKnown(staged, k);
}

void TForm1::ProgressPosition(int k) {
    ProgressBar1->setValue(k);
}

void TForm1::ShowMessage(Message message, const std::string& cause) {
    if (!cause.empty()) {
        // The box names no cause and sends the user to the cable; the log says what really failed.
        qWarning("%s", cause.c_str());
    }
    MessageBox::ShowError(this, QString::fromUtf8(DownloadMessageText(message)));
}

void TForm1::Ended(bool complete) {
    BitBtn1->setEnabled(true);
    // The download's last row is stored now, not at the table's next operation.
    writer_.Finish();
    ShowSummary(complete);
    if (complete) {
        close();
    }
}

void TForm1::ShowSummary(bool complete) {
    QStringList lines;
    if (complete && steps_->CurrentRecords() == DownloadSteps::Records::NewOnly) {
        lines << QString::fromStdString(NewRecordsText(steps_->RecordsNew(), steps_->RecordsKnown()));
    }
    if (!writer_.Undated().empty()) {
        lines << QString::fromStdString(UndatedRecordsText(writer_.Undated()));
    }
    if (!lines.isEmpty()) {
        MessageBox::Show(this, MessageBox::Icon::Information, QString::fromUtf16(kInformationCaption),
                         lines.join('\n'));
    }
}
