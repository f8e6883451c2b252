// "Properties": one object and one light of the current scene, chosen with
// the index spin, edited in place; every change reaches the scene at once
// and the view is redrawn.
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "dialogs/view_dialogs.h"
#include "scene/scene3d.h"
#include "view/behaviour.h"
#include "view/document.h"
#include "view/properties_ops.h"

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }

class PropertiesDialog : public ModelessPanel {
public:
    PropertiesDialog(ViewBehaviour& view, QWidget* parent) : ModelessPanel(parent), m_view(view)
    {
        setWindowTitle("Properties");
        setObjectName("Properties");
        auto* g = new QGridLayout(this);
        int row = 0;
        auto label = [&](const char* text, int r, int c) { g->addWidget(new QLabel(text, this), r, c); };
        auto edit = [&](int id, bool read_only = true) {
            auto* e = new QLineEdit(this);
            e->setObjectName(QString("ctl%1").arg(id));
            e->setReadOnly(read_only);
            return e;
        };
        auto swatch = [&](int id) {
            auto* b = new QPushButton(this);
            b->setObjectName(QString("ctl%1").arg(id));
            b->setFixedSize(24, 18);
            b->setFlat(true);
            b->setAutoFillBackground(true);
            return b;
        };
        auto spin = [&](int id, int hi) {
            auto* s = new QSpinBox(this);
            s->setObjectName(QString("ctl%1").arg(id));
            s->setRange(0, hi);
            return s;
        };

        m_index = spin(1002, 0);
        m_name = edit(1000);
        m_list = new QComboBox(this);
        m_list->setObjectName("ctl1048");
        label("Object", row, 0); g->addWidget(m_index, row, 1); g->addWidget(m_name, row, 2); g->addWidget(m_list, row, 3);
        ++row;
        m_nbpts = edit(1001); m_nbface = edit(1006); m_nbnormal = edit(1022);
        label("Points:", row, 0); g->addWidget(m_nbpts, row, 1);
        label("Faces:", row, 2); g->addWidget(m_nbface, row, 3);
        label("Normales:", row, 4); g->addWidget(m_nbnormal, row, 5);
        ++row;
        m_face_total = edit(1027); m_count = edit(1036); m_shown_index = edit(1037);
        label("Total faces:", row, 0); g->addWidget(m_face_total, row, 1);
        label("Objects:", row, 2); g->addWidget(m_count, row, 3);
        label("Index:", row, 4); g->addWidget(m_shown_index, row, 5);
        ++row;
        m_ambient = edit(1008); m_diffuse = edit(1009); m_specular = edit(1014);
        m_sw_ambient = swatch(1012); m_sw_diffuse = swatch(1013); m_sw_specular = swatch(1015);
        label("Ambient", row, 0); g->addWidget(m_ambient, row, 1); g->addWidget(m_sw_ambient, row, 2); ++row;
        label("Diffuse", row, 0); g->addWidget(m_diffuse, row, 1); g->addWidget(m_sw_diffuse, row, 2); ++row;
        label("Specular", row, 0); g->addWidget(m_specular, row, 1); g->addWidget(m_sw_specular, row, 2); ++row;
        m_intensity = edit(1010); m_light_colour = edit(1004); m_light_location = edit(1007);
        m_light_direction = edit(1005); m_sw_light = swatch(1016); m_light_spin = spin(1011, 10);
        label("Light intensity", row, 0); g->addWidget(m_intensity, row, 1); g->addWidget(m_light_spin, row, 2); ++row;
        label("Light colour", row, 0); g->addWidget(m_light_colour, row, 1); g->addWidget(m_sw_light, row, 2); ++row;
        label("Location", row, 0); g->addWidget(m_light_location, row, 1); ++row;
        label("Direction", row, 0); g->addWidget(m_light_direction, row, 1); ++row;
        m_sw_background = swatch(1020); m_fog = spin(1029, 10);
        label("Background", row, 0); g->addWidget(m_sw_background, row, 1);
        label("Fog", row, 2); g->addWidget(m_fog, row, 3); ++row;
        m_transparency = edit(1017, false);
        auto* update_transparency = new QPushButton("Update", this);
        update_transparency->setObjectName("ctl1018");
        label("Transparency %", row, 0); g->addWidget(m_transparency, row, 1); g->addWidget(update_transparency, row, 2); ++row;
        m_texture = edit(1019);
        auto* update_texture = new QPushButton("Update", this);
        update_texture->setObjectName("ctl1026");
        label("Texture", row, 0); g->addWidget(m_texture, row, 1); g->addWidget(update_texture, row, 2); ++row;
        m_box[0] = edit(1023); m_box[1] = edit(1024); m_box[2] = edit(1025);
        label("X", row, 0); g->addWidget(m_box[0], row, 1); ++row;
        label("Y", row, 0); g->addWidget(m_box[1], row, 1); ++row;
        label("Z", row, 0); g->addWidget(m_box[2], row, 1); ++row;
        m_displayed = new QCheckBox("Displayed Object", this);
        m_displayed->setObjectName("ctl1028");
        m_displayed->setChecked(true);
        auto* all = new QPushButton("All objects", this);
        all->setObjectName("ctl1047");
        g->addWidget(m_displayed, row, 0); g->addWidget(all, row, 1); ++row;
        auto* tree = new QPushButton("Arbre", this);
        tree->setObjectName("ctl1030");
        m_threshold = edit(1031, false);
        m_threshold->setText("80");
        label("ARBRE", row, 0); g->addWidget(m_threshold, row, 1); g->addWidget(tree, row, 2); ++row;
        auto* ok = new QPushButton("OK", this);
        ok->setObjectName("ctl1");
        auto* cancel = new QPushButton("Cancel", this);
        cancel->setObjectName("ctl2");
        g->addWidget(ok, row, 4); g->addWidget(cancel, row, 5);

        connect(ok, &QPushButton::clicked, this, &QDialog::hide);
        connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
        connect(m_index, &QSpinBox::valueChanged, this, [this](int k) { m_i = k; refresh(); });
        connect(m_light_spin, &QSpinBox::valueChanged, this, [this](int k) {
            SCENE3D* s = scene();
            if (!s || !light_intensity(*s, m_i, k)) return;
            m_view.doc().SetModifiedFlag();
            properties_gl_lights(m_view.host(), *s);
            refresh();
        });
        connect(m_fog, &QSpinBox::valueChanged, this, [this](int k) {
            if (SCENE3D* s = scene()) {
                fog_from_spin(*s, k);
                m_view.doc().SetModifiedFlag();
            }
            m_view.host().redraw();
        });
        connect(m_sw_light, &QPushButton::clicked, this, [this] {
            SCENE3D* s = scene();
            uint32_t c = m_light_rgb;
            if (!s || !properties_fields(s, m_i).has_light || !colour_chooser()(this, c)) return;
            if (set_light_colour(*s, m_i, c)) m_view.doc().SetModifiedFlag();
            properties_gl_lights(m_view.host(), *s);
            refresh();
        });
        connect(m_sw_ambient, &QPushButton::clicked, this, [this] { material(MaterialSlot::Ambient, m_ambient_rgb); });
        connect(m_sw_diffuse, &QPushButton::clicked, this, [this] { material(MaterialSlot::Diffuse, m_diffuse_rgb); });
        connect(m_sw_specular, &QPushButton::clicked, this, [this] { material(MaterialSlot::Specular, m_specular_rgb); });
        connect(m_sw_background, &QPushButton::clicked, this, [this] {
            uint32_t c = m_background_rgb;
            if (!colour_chooser()(this, c)) return;
            m_background_rgb = c;
            paint_swatch(m_sw_background, c);
            set_background(m_view, c);
        });
        connect(update_transparency, &QPushButton::clicked, this, [this] {
            SCENE3D* s = scene();
            if (!s) return;
            const int k = apply_transparency(*s, m_i, percent_of_text(m_transparency->text().toStdString()));
            if (k < 0) return;
            m_view.doc().SetModifiedFlag();
            properties_gl_textures(m_view.host(), *s, k);
            refresh();
        });
        connect(tree, &QPushButton::clicked, this, [this] {
            SCENE3D* s = scene();
            if (!s) return;
            const int k = tree_threshold(*s, m_i, percent_of_text(m_threshold->text().toStdString()));
            if (k < 0) return;
            m_view.doc().SetModifiedFlag();
            properties_gl_textures(m_view.host(), *s, k);
            refresh();
        });
        connect(update_texture, &QPushButton::clicked, this, [this] {
            SCENE3D* s = scene();
            if (!s || !s->get_object(m_i)) return;
            FileDialogRequest r;
            r.title = "Open";
            r.default_ext = "*.jpg";
            r.default_name = "*.jpg";
            r.filter = "BMP image file (*.bmp)";
            if (!m_view.host().file_dialog(r)) return;
            const int k = change_texture(*s, m_i, r.path);
            if (k < 0) return;
            m_view.doc().SetModifiedFlag();
            properties_gl_textures(m_view.host(), *s, k);
            refresh();
        });
        connect(m_displayed, &QCheckBox::toggled, this, [this](bool on) {
            if (SCENE3D* s = scene(); s && set_displayed(*s, m_i, on)) m_view.host().redraw();
        });
        connect(all, &QPushButton::clicked, this, [this] { m_view.host().redraw(); });

        const float* bg = m_view.m_gl.clear_rgb;
        m_background_rgb = packed_colour(Vec3{bg[0], bg[1], bg[2]});
        paint_swatch(m_sw_background, m_background_rgb);
        refresh();
    }

    void reread() override { refresh(); }

protected:
    // Every use of the command starts again at object 0.
    void appearing() override
    {
        m_i = 0;
        refresh();
    }

private:
    // The program-wide current scene: the one the view shows.
    SCENE3D* scene() const { return current_scene(); }

    void material(MaterialSlot slot, uint32_t start)
    {
        SCENE3D* s = scene();
        uint32_t c = start;
        if (!s || !s->get_object(m_i) || !colour_chooser()(this, c)) return;
        if (set_material_colour(*s, m_i, slot, c)) {
            m_view.doc().SetModifiedFlag();
            m_view.host().redraw();
        }
        refresh();
    }

    static void paint_swatch(QPushButton* b, uint32_t packed)
    {
        const QColor c(packed & 0xFF, (packed >> 8) & 0xFF, (packed >> 16) & 0xFF);
        b->setStyleSheet(QString("background-color: %1; border: 1px solid black;").arg(c.name()));
        b->setProperty("packed", (uint)packed);
    }

    void refresh()
    {
        SCENE3D* s = scene();
        const PropertiesFields f = properties_fields(s, m_i);
        if (!f.valid) {
            // Nothing to show (empty scene): every field empty.
            for (QLineEdit* e : {m_name, m_nbpts, m_nbface, m_nbnormal, m_face_total, m_count, m_shown_index, m_ambient,
                                 m_diffuse, m_specular, m_intensity, m_light_colour, m_light_location,
                                 m_light_direction, m_transparency, m_texture, m_box[0], m_box[1], m_box[2]})
                e->clear();
            m_list->clear();
            return;
        }
        m_index->blockSignals(true);
        m_index->setRange(0, f.spin_max);
        m_index->setValue(m_i);
        m_index->blockSignals(false);
        m_name->setText(q(f.name));
        m_nbpts->setText(q(f.nbpts));
        m_nbface->setText(q(f.nbface));
        m_nbnormal->setText(q(f.nbnormal));
        m_face_total->setText(q(f.face_total));
        m_count->setText(q(f.nbobjects));
        m_shown_index->setText(q(f.index));
        m_list->clear();
        for (const std::string& n : f.names) m_list->addItem(q(n));
        m_ambient->setText(q(f.ambient));
        m_diffuse->setText(q(f.diffuse));
        m_specular->setText(q(f.specular));
        m_intensity->setText(q(f.intensity));
        m_light_colour->setText(q(f.light_colour));
        m_light_location->setText(q(f.light_location));
        m_light_direction->setText(q(f.light_direction));
        m_transparency->setText(q(f.transparency));
        m_texture->setText(q(f.texture));
        m_box[0]->setText(q(f.box_x));
        m_box[1]->setText(q(f.box_y));
        m_box[2]->setText(q(f.box_z));
        m_ambient_rgb = f.sw_ambient;
        m_diffuse_rgb = f.sw_diffuse;
        m_specular_rgb = f.sw_specular;
        m_light_rgb = f.sw_light;
        paint_swatch(m_sw_ambient, f.sw_ambient);
        paint_swatch(m_sw_diffuse, f.sw_diffuse);
        paint_swatch(m_sw_specular, f.sw_specular);
        paint_swatch(m_sw_light, f.sw_light);
    }

    ViewBehaviour& m_view;
    int m_i = 0;
    QSpinBox *m_index, *m_light_spin, *m_fog;
    QLineEdit *m_name, *m_nbpts, *m_nbface, *m_nbnormal, *m_face_total, *m_count, *m_shown_index;
    QComboBox* m_list;
    QLineEdit *m_ambient, *m_diffuse, *m_specular, *m_intensity, *m_light_colour, *m_light_location, *m_light_direction;
    QPushButton *m_sw_ambient, *m_sw_diffuse, *m_sw_specular, *m_sw_light, *m_sw_background;
    QLineEdit *m_transparency, *m_texture, *m_threshold;
    QLineEdit* m_box[3];
    QCheckBox* m_displayed;
    uint32_t m_ambient_rgb = 0, m_diffuse_rgb = 0, m_specular_rgb = 0, m_light_rgb = 0, m_background_rgb = 0;
};
} // namespace

ModelessPanel* make_properties_panel(ViewBehaviour& view, QWidget* parent) { return new PropertiesDialog(view, parent); }
