#pragma once
// A GPU-side resource that a scene owns: created when its rendering starts, updated in frames that render,
// destroyed when its rendering stops.

class RenderContextBase;

class GraphicsResource {
public:
    virtual ~GraphicsResource() = default;
    virtual void create(RenderContextBase& context) = 0;
    virtual void destroy(RenderContextBase& context) = 0;
    virtual void update(RenderContextBase& context) = 0;
};
