#pragma once

#include <QDialog>
#include <QFont>
#include <optional>
#include <string>
#include <vector>

#include "gui/dialog_template.h"

class QKeyEvent;

namespace tonvale {

class DataExchange;

// A window built from a dialog template: every control of the template at its place in
// pixels, the window's caption, client size and font. A click on a button or radio button
// goes to OnCommand with the control's id, where the window routes it through its own table
// (command_map.h). Every key press inside the window passes PreTranslateKeyDown first.
//
// Run it modally with DoModal (or show it, as tests do); OnInitDialog runs once, after the
// controls exist and the data exchange has filled them, before the window appears.
class DialogWindow : public QDialog {
 public:
  struct PlacedControl {
    const ControlTemplate* control;
    QWidget* widget;
  };

  DialogWindow(const DialogTemplate& dialogTemplate, QWidget* parent);
  ~DialogWindow() override;

  const DialogTemplate& Template() const { return template_; }

  // The control with this id, or null.
  QWidget* Control(int id) const;
  template <class Widget>
  Widget* ControlAs(int id) const {
    return dynamic_cast<Widget*>(Control(id));
  }
  // Every control, group boxes included, in template order.
  const std::vector<PlacedControl>& Controls() const { return controls_; }

  bool IsChecked(int id) const;
  void SetChecked(int id, bool checked);

  // Copies the controls' data into the members (true) or the members into the controls
  // (false), through DoDataExchange.
  void UpdateData(bool saveAndValidate = true);

  // Shrinks the whole window by `scale` (1 is the template's size): every control keeps its
  // place and size in proportion, the font shrinks with them, and plot frames keep drawing
  // their figures at the template's size and show them scaled.
  void SetScale(double scale);
  double Scale() const { return scale_; }

  int DoModal() { return exec(); }
  // Ends the window with this result; a modal run returns it.
  void EndDialog(int result) { done(result); }
  // The result the window was ended with, if it was.
  std::optional<int> EndResult() const { return endResult_; }

  void setVisible(bool visible) override;
  void done(int result) override;

 protected:
  virtual void DoDataExchange(DataExchange& dx);
  // True gives the focus to the first tab stop.
  virtual bool OnInitDialog();
  // True consumes the key press: it goes no further.
  virtual bool PreTranslateKeyDown(const QKeyEvent& event);
  virtual void OnCommand(int id);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* CreateControl(const ControlTemplate& control);

  const DialogTemplate& template_;
  std::vector<PlacedControl> controls_;
  std::optional<int> endResult_;
  bool initialized_ = false;
  double scale_ = 1.0;
  QFont templateFont_;
};

// The two directions of a data exchange between a window's controls and its members.
class DataExchange {
 public:
  DataExchange(DialogWindow& window, bool saveAndValidate)
      : window_(window), saving_(saveAndValidate) {}

  bool Saving() const { return saving_; }

  // Binds a member to the control object.
  template <class Widget>
  void Control(int id, Widget*& member) {
    if (member == nullptr) member = window_.ControlAs<Widget>(id);
  }

  // Exchanges the text of an edit control with a UTF-8 string.
  void Text(int id, std::string& value);

 private:
  DialogWindow& window_;
  bool saving_;
};

}  // namespace tonvale
