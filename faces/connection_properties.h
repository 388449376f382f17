#pragma once
// The Connection Properties window: picks a stored connection to connect to,
// and creates, edits and deletes entries of the book. Made once at start,
// hidden; the main window shows it with showInMode(). Everything it decides is
// in ConnectionPropertiesLogic; this class places the controls and passes
// clicks and keystrokes on.
#include "config/connection_properties_logic.h"

#include <QDialog>

#include <array>
#include <optional>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace kordex {

// The two small arrows beside the SID field; takes focus like the Windows
// control it stands for, so Up and Down work on it too.
class SidUpDownControl : public QWidget {
    Q_OBJECT
public:
    explicit SidUpDownControl(QWidget *parent);
signals:
    void stepped(int delta);

protected:
    void keyPressEvent(QKeyEvent *e) override;

private:
    QToolButton *up_, *down_;
};

class ConnectionPropertiesDialog : public QDialog {
    Q_OBJECT
public:
    ConnectionPropertiesDialog(ConnectionBook &book, Configuration &config, Prompter &prompter,
                               ConnectionActions &actions, QWidget *parent = nullptr);

    // "Co&nnect to..." shows Select mode, "&Edit Connection..." Manage mode.
    void showInMode(DialogMode mode);
    // The ports offered are probed each time the dialog opens (an adapter
    // may have been plugged in meanwhile); tests give a fixed list instead.
    void setPortList(std::vector<SerialPortEntry> ports);

    ConnectionPropertiesLogic &logic() { return logic_; }
    // Help topic for the focused control, or the dialog's own.
    int currentHelpTopic() const;

    void setVisible(bool visible) override;

public slots:
    void reject() override;  // Escape acts as the Cancel button

protected:
    void showEvent(QShowEvent *e) override;
    void hideEvent(QHideEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The controls are made when first needed (the first show), not with
    // the window: that keeps them, and the port probe, out of the start.
    void ensureControls();
    void buildControls();
    void buildGeneralGroup();
    void buildConnectionGroups();
    void buildListAndButtons();
    void fitToStyle();
    void wireControls();
    void wireFields();
    void wireListAndButtons();
    void syncFromLogic();
    void syncFields();
    void syncLayout();
    void syncList();
    void applyFocus();
    void afterHandler();
    // The text boxes, the filter of each and the entry field it edits.
    struct TextField {
        QLineEdit *edit;
        CharFilter filter;
        QByteArray EntryFields::*field;
    };
    std::array<TextField, 11> textFields() const;
    void filterField(const TextField &t);
    void rescanPorts();
    void applyPortList(std::vector<SerialPortEntry> ports);

    ConnectionPropertiesLogic logic_;
    ConnectionActions &actions_;
    Configuration &config_;
    bool built_ = false;
    bool positioned_ = false;
    bool syncing_ = false;
    std::optional<std::vector<SerialPortEntry>> fixedPorts_;

    QGroupBox *generalGroup_, *connectionGroup_, *comPortGroup_, *networkGroup_, *phoneNumberGroup_, *auxPromptGroup_;
    QLineEdit *systemNameEdit_, *usernameEdit_, *passwordEdit_, *sidEdit_;
    SidUpDownControl *sidUpDown_;
    QCheckBox *autoLoginCheckBox_, *commonStatesCheckBox_, *diagnosticCheckBox_;
    QButtonGroup *connectionTypes_;
    QRadioButton *connectionTypeButtons_[3];
    QComboBox *portComboBox_, *baudRateComboBox_, *flowControlComboBox_, *linePacingComboBox_;
    QLineEdit *netPortEdit_, *netHostEdit_, *phoneNumberEdit_, *auxPrompt1Edit_, *auxPrompt2Edit_, *auxReply1Edit_,
        *auxReply2Edit_;
    QListWidget *connectionList_;
    QPushButton *okButton_, *editButton_, *deleteButton_, *cancelButton_;
};

}  // namespace kordex
