// The view's own dialogs: the modeless "Properties", "Object Editor" and
// "Animate Virtual Visit" panels, and the modal "Focale", "Viewpoints",
// "Open IGN File" and "Objects". Every control is named by its resource id
// ("ctl1002") so that tests and accessibility tools find it. The values
// come from, and the changes go through, the window-free layer
// (view/properties_ops.h, view/object_editor_ops.h, view/small_dialogs.h).
#pragma once
#include <QDialog>

#include <cstdint>
#include <functional>
#include <string>

class ViewBehaviour;
struct DialogRequest;

// A modeless panel kept by the view: made on first use, shown again by
// every later command, hidden (not destroyed) when closed.
class ModelessPanel : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;
    // The command asked for the panel again (show, raise, activate).
    void reopen();
    // Objects were added to the scene: read it again.
    virtual void reread() {}

protected:
    // Each time the panel appears (first use, or again after being closed):
    // it reads the scene afresh.
    virtual void appearing() { reread(); }
    void showEvent(QShowEvent* e) override;
};

// The colour chooser of the swatches: true with `packed` (0x00BBGGRR)
// replaced when a colour was chosen. Tests put their own in its place.
using ColourChooser = std::function<bool(QWidget* parent, uint32_t& packed)>;
ColourChooser& colour_chooser();

// The modeless panel called `name` ("Properties", "Object Editor",
// "Animate Virtual Visit") for `view`, or null when the name is none of them.
ModelessPanel* CreateViewPanel(const std::string& name, ViewBehaviour& view, QWidget* parent);

// Runs the modal dialog the request names ("Focale", "Viewpoints",
// "Open IGN File", "Objects"): sets `ok` to whether it closed with OK and
// gives true; false when the request is none of these.
bool RunViewDialogRequest(QWidget* parent, DialogRequest& request, bool& ok);

// Makes all of the above known to the view's dialog registry by name.
void register_view_dialogs();

// The dialog objects themselves, for hosts that run them differently.
QDialog* MakeViewDialog(QWidget* parent, DialogRequest& request);
