// Ironfold scene engine: the retained-mode 3D API the game draws and moves with.
//
// Conventions (see docs/architecture.md):
//  - left-handed world, y up, angles in degrees; yaw 0 faces +z, yaw 90 faces -x;
//    a positive pitch turns the nose down; Euler angles are stored as given.
//  - handles are 32-bit, 0 = none, never reused within a run.
//  - texture flags: 1 colour, 2 alpha, 4 masked; blend 2 multiply, 4 dot3.
//  - texture coordinate v = 0 is the top row of an image.
//
// The game includes this header and system.h only; nothing here exposes GL or SDL.
#pragma once

#include <cstdint>
#include <string>

namespace eng {

using Handle = std::int32_t;

// ---- display -------------------------------------------------------------
// Opens the display (mode 1 full screen, 2 window). Returns false only when
// no display at all could be opened (after the fallbacks).
bool Graphics3D(int width, int height, int depth, int mode, int rate);
void AntiAlias(int enable);
int GraphicsWidth();
int GraphicsHeight();
void RenderWorld();
// 2D text over the frame, pixels from the top-left.
void Text(int x, int y, const std::string& s);
// Saves the back buffer (what the next Flip would show) as a PNG. False on failure.
bool SaveBackBuffer(const std::string& png_path);

// ---- entities ------------------------------------------------------------
Handle CreatePivot(Handle parent = 0);
Handle CreateCube(Handle parent = 0);
Handle CreateMesh(Handle parent = 0);
Handle LoadMesh(const std::string& file, Handle parent = 0);
Handle CopyMesh(Handle mesh, Handle parent = 0);
Handle CopyEntity(Handle e, Handle parent = 0);
Handle LoadSprite(const std::string& file, int flags = 1, Handle parent = 0);
Handle CreateCamera(Handle parent = 0);
Handle CreateLight(int type = 1, Handle parent = 0);
void AmbientLight(float r, float g, float b);

void PositionEntity(Handle e, float x, float y, float z, bool global = false);
void RotateEntity(Handle e, float pitch, float yaw, float roll, bool global = false);
void TurnEntity(Handle e, float pitch, float yaw, float roll, bool global = false);
void MoveEntity(Handle e, float x, float y, float z);
void TranslateEntity(Handle e, float x, float y, float z, bool global = false);
void ScaleEntity(Handle e, float x, float y, float z, bool global = false);
void EntityParent(Handle e, Handle parent, bool global = true);
Handle GetParent(Handle e);

float EntityX(Handle e, bool global = false);
float EntityY(Handle e, bool global = false);
float EntityZ(Handle e, bool global = false);
float EntityPitch(Handle e, bool global = false);
float EntityYaw(Handle e, bool global = false);
float EntityRoll(Handle e, bool global = false);
float EntityDistance(Handle a, Handle b);

void EntityColor(Handle e, float r, float g, float b);
void EntityAlpha(Handle e, float alpha);
void HideEntity(Handle e);
void ShowEntity(Handle e);
bool EntityHidden(Handle e);  // true when it or an ancestor is hidden
void FreeEntity(Handle e);
// Frees every entity (and, when asked, every texture).
void ClearWorld(bool entities = true, bool textures = true);

// ---- meshes --------------------------------------------------------------
Handle CreateSurface(Handle mesh);
int CountSurfaces(Handle mesh);
Handle GetSurface(Handle mesh, int index);  // index from 1
int AddVertex(Handle surface, float x, float y, float z, float u = 0, float v = 0, float w = 0);
int AddTriangle(Handle surface, int v0, int v1, int v2);
int CountVertices(Handle surface);
int CountTriangles(Handle surface);
float VertexX(Handle surface, int index);
float VertexY(Handle surface, int index);
float VertexZ(Handle surface, int index);
void VertexCoords(Handle surface, int index, float x, float y, float z);
void ScaleMesh(Handle mesh, float x, float y, float z);
void RotateMesh(Handle mesh, float pitch, float yaw, float roll);
void PositionMesh(Handle mesh, float x, float y, float z);
void UpdateNormals(Handle mesh);

// ---- textures ------------------------------------------------------------
Handle LoadTexture(const std::string& file, int flags = 1);
Handle LoadAnimTexture(const std::string& file, int flags, int frame_w, int frame_h, int first,
                       int count);
Handle CreateTexture(int width, int height, int flags = 1, int frames = 1);
void EntityTexture(Handle e, Handle tex, int frame = 0, int layer = 0);
void TextureBlend(Handle tex, int blend);
void ScaleTexture(Handle tex, float u, float v);
void BackBufferToTex(Handle tex, int x = 0, int y = 0);
void FreeTexture(Handle tex);
int TextureWidth(Handle tex);
int TextureHeight(Handle tex);

// ---- sprites -------------------------------------------------------------
void ScaleSprite(Handle sprite, float x, float y);
void SpriteViewMode(Handle sprite, int mode);

// ---- cameras -------------------------------------------------------------
void CameraViewport(Handle cam, int x, int y, int w, int h);
void CameraClsColor(Handle cam, float r, float g, float b);
void CameraRange(Handle cam, float near_z, float far_z);
void CameraZoom(Handle cam, float zoom);

// ---- collisions ----------------------------------------------------------
void EntityType(Handle e, int type);
int GetEntityType(Handle e);
void EntityRadius(Handle e, float rx, float ry = 0);
void Collisions(int src_type, int dst_type, int method, int response);
void ClearCollisions();
void UpdateWorld(float anim_speed = 1);
// An entity of the given type that touched e in the last UpdateWorld, else 0.
Handle EntityCollided(Handle e, int type);
void ResetEntity(Handle e);

// ---- introspection (tests, harness, teardown checks) ----------------------
int LiveEntityCount();
int LiveTextureCount();
bool EntityExists(Handle e);
// Draw calls issued by the last RenderWorld.
int LastDrawCalls();

}  // namespace eng
