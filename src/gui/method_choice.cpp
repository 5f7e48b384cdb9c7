#include "gui/method_choice.h"

#include "gui/dialog_units.h"
#include "gui/user_configuration.h"

namespace tonvale {
namespace {

constexpr char kMethodKey[] = "transcription/method";
constexpr char kRefined[] = "refined";
constexpr char kFaithful[] = "faithful";
// Beside the "analysis" title, above the wav2mid button: free in the template.
constexpr DialogRect kPlace = {250, 243, 72, 10};

}  // namespace

QCheckBox* AddMethodChoice(QWidget* window, Session& session) {
  auto* box = new QCheckBox(QStringLiteral("refined method"), window);
  box->setObjectName(kMethodChoiceName);
  box->setToolTip(QStringLiteral(
      "Transcribe with the refined method: overtones grouped into their fundamental, repeated "
      "notes split at their onsets, drums left out. Unchecked: the faithful method of the "
      "settings file."));
  box->setGeometry(DialogUnitsToPixels(kPlace));
  const bool refined = UserConfiguration().value(kMethodKey).toString() == kRefined;
  box->setChecked(refined);
  session.method = refined ? TranscriptionMethod::kRefined : TranscriptionMethod::kFaithful;
  QObject::connect(box, &QCheckBox::toggled, box, [&session](bool checked) {
    session.method = checked ? TranscriptionMethod::kRefined : TranscriptionMethod::kFaithful;
    UserConfiguration().setValue(kMethodKey, checked ? kRefined : kFaithful);
  });
  box->raise();
  return box;
}

}  // namespace tonvale
