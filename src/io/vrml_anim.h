// The event model of a VRML 2.0 world: TimeSensors send their fraction
// through ROUTEs to interpolators, whose values go on to Transforms,
// Materials, Coordinates, Normals and Viewpoints. The scene-graph reader
// asks which nodes the routes reach before it walks the tree, binds the
// objects it makes under them, and hands the result to the scene, which
// evaluates it at any time after opening.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "io/vrml_graph.h"
#include "scene/scene_animation.h"

class OBJECT3D;
class SCENE3D;

namespace vrml {

struct VNode;
struct VTree;

// One link of the chain of animated Transforms above an object: the fixed
// matrix from the link above (or the world) down to the Transform, then
// the Transform itself.
struct ChainLink {
    Mat4 fixed;
    int transform = -1;   // node number in the model
};

class WorldAnimation;

class WorldBuilder {
public:
    // Reads the sensors, interpolators and routes of the tree; what cannot
    // be played is noted (one line each, with its line number) and left out.
    explicit WorldBuilder(const VTree& tree);
    ~WorldBuilder();
    WorldBuilder(const WorldBuilder&) = delete;
    WorldBuilder& operator=(const WorldBuilder&) = delete;

    // Model number of a Transform that routes change, else -1.
    int animated_transform(const VNode* n) const;
    bool animated(const VNode* n) const;

    // Objects made under animated nodes. `below` is the matrix between the
    // innermost animated Transform and the object's points (already applied
    // to them).
    void bind_object(OBJECT3D* o, const std::vector<ChainLink>& chain);
    void bind_material(const VNode* material, OBJECT3D* o);
    void bind_points(const VNode* coord, OBJECT3D* o, const Mat4& below);
    void bind_normals(const VNode* normal, OBJECT3D* o, const Mat4& below);
    void bind_viewpoint(const VNode* vp, OBJECT3D* o, const std::vector<ChainLink>& chain, const Mat4& below);

    // The lines to show: bad routes and nodes, and routes to what is not
    // played, each once.
    const std::vector<std::string>& notes() const { return m_notes; }
    // Number of notes that are faults of the file (not only unplayed).
    int faults() const { return m_faults; }

    // The model, left at time 0, or null when the world has nothing to play.
    std::unique_ptr<SceneAnimation> finish(SCENE3D& scene);

private:
    std::unique_ptr<WorldAnimation> m_world;
    std::map<const VNode*, int> m_index;
    std::vector<std::string> m_notes;
    int m_faults = 0;
    int node_of(const VNode* n, int line);
    void note(const std::string& text, bool fault);
    void refuse_other_counts(int id, size_t n, const char* what, const char* target);
};

} // namespace vrml
