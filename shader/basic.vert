// Corners arrive through slot 0 (glVertex), face colours as the current
// colour (glColor); nothing feeds a per-vertex colour attribute. No #version
// line: GLSL 1.10 on the desktop, and WebGL's emulation of these calls puts
// its own declarations first. There (GL_ES) glVertex feeds gl_Vertex alone.
attribute vec4 a_Vertex;
#ifdef GL_ES
#define a_Vertex gl_Vertex
#endif

uniform mat4 modelview_matrix;
uniform mat4 projection_matrix;

varying vec4 v_Color;
varying vec3 v_EyePosition;

void main()
{
    vec4 eye = modelview_matrix * a_Vertex;
    v_EyePosition = eye.xyz / eye.w;
    v_Color = gl_Color;
    gl_Position = projection_matrix * eye;
}
