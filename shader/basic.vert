#version 110

// Corners arrive through slot 0 (glVertex), face colours as the current
// colour (glColor); nothing feeds a per-vertex colour attribute.
attribute vec4 a_Vertex;

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
