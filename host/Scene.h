#pragma once
// IScene: one mode of the interactive program. The host has one current scene
// and a stack of suspended ones and calls them from its frame loop; scenes are
// owned by the main dialog, the host keeps only pointers.
//
// Per processed frame: PreUpdate on every stacked scene from the bottom up and
// on the current scene, then Update on the current scene only, then (unless the
// host is closing) Draw in the same order as PreUpdate.
class IScene {
public:
    virtual ~IScene() = default;
    // The scene becomes current (ChangeScene) or is pushed (PushScene).
    virtual void Enter() {}
    virtual void Update() {}
    // The scene stops being current (ChangeScene, PopScene, Quit).
    virtual void Leave() {}
    virtual void PreUpdate() {}
    virtual void Draw() {}
};
