// "Object Editor": the selected object's data in drop-down lists, the mouse
// handed over to the object, the mouse scale, one texture vertex moved with
// two sliders, and the texture fit by projection.
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include "dialogs/view_dialogs.h"
#include "base/cformat.h"
#include "scene/scene3d.h"
#include "view/behaviour.h"
#include "view/document.h"
#include "view/object_editor_ops.h"
#include "view/properties_ops.h"

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }

class ObjectEditorDialog : public ModelessPanel {
public:
    ObjectEditorDialog(ViewBehaviour& view, QWidget* parent) : ModelessPanel(parent), m_view(view)
    {
        setWindowTitle("Object Editor");
        setObjectName("Object Editor");
        auto* g = new QGridLayout(this);
        auto label = [&](const char* text, int r, int c) { g->addWidget(new QLabel(text, this), r, c); };
        auto combo = [&](int id) {
            auto* c = new QComboBox(this);
            c->setObjectName(QString("ctl%1").arg(id));
            return c;
        };
        auto edit = [&](int id) {
            auto* e = new QLineEdit(this);
            e->setObjectName(QString("ctl%1").arg(id));
            return e;
        };
        auto button = [&](int id, const char* text) {
            auto* b = new QPushButton(text, this);
            b->setObjectName(QString("ctl%1").arg(id));
            return b;
        };
        auto slider = [&](int id, int lo, int hi, int at) {
            auto* s = new QSlider(Qt::Horizontal, this);
            s->setObjectName(QString("ctl%1").arg(id));
            s->setRange(lo, hi);
            s->setValue(at);
            return s;
        };
        int row = 0;
        m_objects = combo(1050);
        label("Objects", row, 0); g->addWidget(m_objects, row, 1, 1, 3); ++row;
        m_vertices = combo(1053); m_faces = combo(1055); m_normals = combo(1068);
        label("VERTICES", row, 0); g->addWidget(m_vertices, row, 1); label("INDEX", row, 2); g->addWidget(m_faces, row, 3); ++row;
        label("NORMALS", row, 0); g->addWidget(m_normals, row, 1); ++row;
        m_texcoords = combo(1051); m_texindex = combo(1057);
        label("Texture Coord", row, 0); g->addWidget(m_texcoords, row, 1);
        label("Texture Index", row, 2); g->addWidget(m_texindex, row, 3); ++row;
        m_counts = edit(1056);
        m_counts->setReadOnly(true);
        g->addWidget(m_counts, row, 0, 1, 4); ++row;
        m_texture_name = edit(1052); m_nbtexvertex = edit(1054);
        label("Texture Name", row, 0); g->addWidget(m_texture_name, row, 1);
        label("Texture vertices Number", row, 2); g->addWidget(m_nbtexvertex, row, 3); ++row;
        m_center = edit(1058); m_scale = edit(1064); m_rotation = edit(1066); m_translation = edit(1065);
        label("Texture Center", row, 0); g->addWidget(m_center, row, 1);
        label("Texture Scale", row, 2); g->addWidget(m_scale, row, 3); ++row;
        label("Texture Rotation", row, 0); g->addWidget(m_rotation, row, 1);
        label("Texture Translation", row, 2); g->addWidget(m_translation, row, 3); ++row;
        m_url = edit(1067);
        label("URL", row, 0); g->addWidget(m_url, row, 1, 1, 3); ++row;
        label("Mouse Control of:", row, 0);
        auto* size = button(1059, "Size");
        auto* position = button(1060, "Position");
        auto* orientation = button(1061, "Orientation");
        m_global = button(1063, "Global");
        m_global->setCheckable(true);
        g->addWidget(size, row, 1); g->addWidget(position, row, 2); g->addWidget(orientation, row, 3);
        g->addWidget(m_global, row, 4); ++row;
        auto* range = slider(1073, 0, 100, 10);
        m_range_text = edit(1074);
        label("Scale range", row, 0); g->addWidget(range, row, 1); g->addWidget(m_range_text, row, 2); ++row;
        auto* drag = slider(1069, 0, 100, 50);
        m_drag_text = edit(1070);
        label("Scale", row, 0); g->addWidget(drag, row, 1); g->addWidget(m_drag_text, row, 2); ++row;
        auto* xs = slider(1018, -10, 10, 0);
        auto* ys = slider(1019, -10, 10, 0);
        m_uv_text = edit(1071);
        label("Xtexture", row, 0); g->addWidget(xs, row, 1); g->addWidget(m_uv_text, row, 2); ++row;
        label("Ytexture", row, 0); g->addWidget(ys, row, 1); ++row;
        g->addWidget(slider(1016, 0, 100, 0), row, 1);   // no action
        g->addWidget(slider(1017, 0, 100, 0), row, 2);   // no action
        ++row;
        m_fit = button(1081, "Texture_Fit");
        m_fit->setCheckable(true);
        auto* swatch = new QFrame(this);
        swatch->setObjectName("ctl1062");
        swatch->setFrameShape(QFrame::Box);
        swatch->setFixedSize(24, 18);
        g->addWidget(m_fit, row, 0); g->addWidget(swatch, row, 1);
        auto* ok = button(1, "OK");
        auto* cancel = button(2, "Cancel");
        g->addWidget(ok, row, 3); g->addWidget(cancel, row, 4);

        connect(m_objects, &QComboBox::activated, this, [this](int i) {
            SCENE3D* s = scene();
            if (!s || !m_ed.select_object(*s, i)) return;
            refill();
            m_view.host().redraw();
        });
        connect(m_texcoords, &QComboBox::activated, this, [this](int t) {
            if (SCENE3D* s = scene()) m_ed.select_texvertex(*s, t);
        });
        connect(size, &QPushButton::clicked, this, [this] { if (SCENE3D* s = scene()) m_ed.size(*s); });
        connect(position, &QPushButton::clicked, this, [this] {
            if (SCENE3D* s = scene()) m_ed.position(*s);
            m_view.host().redraw();
        });
        connect(m_global, &QPushButton::clicked, this, [this] {
            if (SCENE3D* s = scene()) m_ed.global(*s);
            m_view.host().redraw();
        });
        connect(range, &QSlider::valueChanged, this, [this](int k) {
            m_range_text->setText(q(m_ed.scale_range_slider(k)));
            m_view.host().redraw();
        });
        connect(drag, &QSlider::valueChanged, this, [this](int k) {
            if (SCENE3D* s = scene()) m_drag_text->setText(q(m_ed.drag_scale_slider(*s, k)));
            m_view.host().redraw();
        });
        // The texture transform fields act when their text is confirmed; a
        // text that is not the numbers wanted shows the object's values again.
        const std::pair<QLineEdit*, int> fields[] = {{m_center, 1058}, {m_scale, 1064}, {m_rotation, 1066},
                                                     {m_translation, 1065}};
        for (auto [field, id] : fields)
            connect(field, &QLineEdit::editingFinished, this, [this, field = field, id = id] {
                SCENE3D* s = scene();
                if (!s || !field->isModified()) return;
                field->setModified(false);
                if (m_ed.set_texture_transform(*s, id, field->text().toStdString())) m_view.host().redraw();
                else refill();
            });
        connect(xs, &QSlider::valueChanged, this, [this](int k) { texture_slider(k, true); });
        connect(ys, &QSlider::valueChanged, this, [this](int k) { texture_slider(k, false); });
        connect(m_fit, &QPushButton::clicked, this, [this] {
            SCENE3D* s = scene();
            if (!s) return;
            if (m_ed.texture_fit_toggle(*s)) {
                m_view.doc().SetModifiedFlag();
                refill();
                m_view.host().redraw();
            }
            m_fit->setChecked(m_ed.m_fit_pushed);
        });
        connect(ok, &QPushButton::clicked, this, [this] { end_editing(); hide(); });
        connect(cancel, &QPushButton::clicked, this, &ObjectEditorDialog::reject);
        m_texture_name->installEventFilter(this);
        m_url->installEventFilter(this);
        refill();
    }

    // Several commands may ask in one go (each generator, and the command
    // table after any command that added objects): one refill serves them.
    void reread() override
    {
        if (m_refill_pending) return;
        m_refill_pending = true;
        QTimer::singleShot(0, this, [this] {
            m_refill_pending = false;
            refill();
        });
    }

protected:
    void appearing() override { refill(); }

    // Close box, Escape and Cancel all come here.
    void reject() override
    {
        end_editing();
        ModelessPanel::reject();
    }

    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::FocusIn) {
            // Only a focus the user gives: the focus handed back when the
            // chooser closes must not open it again.
            const Qt::FocusReason why = static_cast<QFocusEvent*>(e)->reason();
            if (why == Qt::MouseFocusReason || why == Qt::TabFocusReason || why == Qt::BacktabFocusReason ||
                why == Qt::ShortcutFocusReason) {
                if (o == m_texture_name) choose_texture();
                else if (o == m_url) choose_url();
            }
        }
        return ModelessPanel::eventFilter(o, e);
    }

private:
    SCENE3D* scene() const { return current_scene(); }

    void end_editing()
    {
        if (SCENE3D* s = scene()) m_ed.close(*s);
        m_view.host().redraw();
    }

    void texture_slider(int k, bool u)
    {
        SCENE3D* s = scene();
        if (!s) return;
        const std::string t = u ? m_ed.texture_u_slider(*s, k) : m_ed.texture_v_slider(*s, k);
        if (t.empty()) return;
        m_view.doc().SetModifiedFlag();
        m_uv_text->setText(q(t));
        m_view.host().redraw();
    }

    void choose_texture()
    {
        SCENE3D* s = scene();
        if (!s || !s->get_object(m_ed.m_selected)) return;
        FileDialogRequest r;
        r.title = "Open";
        r.filter = "BMP image file (*.bmp)";
        r.default_ext = "*.jpg";
        r.default_name = "*.jpg";
        if (!m_view.host().file_dialog(r)) return;
        const int k = change_texture(*s, m_ed.m_selected, r.path);
        if (k >= 0) {
            m_view.doc().SetModifiedFlag();
            properties_gl_textures(m_view.host(), *s, k);
        }
        refill();
    }

    void choose_url()
    {
        SCENE3D* s = scene();
        OBJECT3D* o = s ? s->get_object(m_ed.m_selected) : nullptr;
        if (!o) return;
        FileDialogRequest r;
        r.title = "Open";
        r.default_ext = "*.wrl";
        r.default_name = "*.wrl";
        if (!m_view.host().file_dialog(r)) return;
        const size_t slash = r.path.find_last_of('/');
        o->m_url = slash == std::string::npos ? r.path : r.path.substr(slash + 1);
        m_view.doc().SetModifiedFlag();
        m_url->setText(q(o->m_url));
    }

    static void fill(QComboBox* c, const std::vector<std::string>& lines)
    {
        QStringList items;
        items.reserve((qsizetype)lines.size());
        for (const std::string& l : lines) items.push_back(q(l));
        c->clear();
        c->addItems(items);
    }

    void refill()
    {
        const ObjectEditorLists l = object_editor_lists(scene(), m_ed.m_selected);
        fill(m_objects, l.objects);
        if (m_ed.m_selected >= 0 && m_ed.m_selected < m_objects->count()) m_objects->setCurrentIndex(m_ed.m_selected);
        else m_objects->setCurrentIndex(-1);
        fill(m_vertices, l.vertices);
        fill(m_faces, l.faces);
        fill(m_normals, l.normals);
        fill(m_texcoords, l.texcoords);
        fill(m_texindex, l.texindex);
        m_texcoords->setCurrentIndex(m_ed.m_texvertex < m_texcoords->count() ? m_ed.m_texvertex : -1);
        m_counts->setText(q(l.counts));
        m_texture_name->setText(q(l.texture_name));
        m_nbtexvertex->setText(q(l.nbtexvertex));
        m_center->setText(q(l.tex_center));
        m_scale->setText(q(l.tex_scale));
        m_rotation->setText(q(l.tex_rotation));
        m_translation->setText(q(l.tex_translation));
        m_url->setText(q(l.url));
        m_range_text->setText(q(qv_format("%4.2f", (double)m_ed.m_scale_range)));
    }

    ViewBehaviour& m_view;
    ObjectEditor m_ed;
    QComboBox *m_objects, *m_vertices, *m_faces, *m_normals, *m_texcoords, *m_texindex;
    QLineEdit *m_counts, *m_texture_name, *m_nbtexvertex, *m_center, *m_scale, *m_rotation, *m_translation, *m_url;
    QLineEdit *m_range_text, *m_drag_text, *m_uv_text;
    QPushButton *m_global, *m_fit;
    bool m_refill_pending = false;
};
} // namespace

ModelessPanel* make_object_editor_panel(ViewBehaviour& view, QWidget* parent)
{
    return new ObjectEditorDialog(view, parent);
}
