// Columns: light position (eye space), ambient, diffuse, specular colour.
uniform mat4 lightDir;

varying vec4 v_Color;
varying vec3 v_EyePosition;

void main()
{
    // The cube is drawn without normals; each face is flat, so its normal
    // follows from how the eye position changes across the screen.
    vec3 normal = normalize(cross(dFdx(v_EyePosition), dFdy(v_EyePosition)));
    vec3 toEye = normalize(-v_EyePosition);
    // The camera may look at a face from either side.
    if (dot(normal, toEye) < 0.0)
        normal = -normal;

    vec4 position = lightDir[0];
    vec3 toLight = normalize(position.xyz - v_EyePosition * position.w);
    float facing = dot(normal, toLight);
    // Wrapped diffuse: a face seen edge-on from the light keeps about half
    // its brightness, so every face stays recognisable by its colour.
    float diffuse = 0.5 + 0.5 * facing;
    float specular = 0.0;
    if (facing > 0.0)
        specular = pow(max(dot(reflect(-toLight, normal), toEye), 0.0), 32.0);

    // The highlight is kept faint so that it never bleaches a face.
    vec3 colour = v_Color.rgb * (lightDir[1].rgb + lightDir[2].rgb * diffuse)
                + lightDir[3].rgb * (0.15 * specular);
    gl_FragColor = vec4(min(colour, vec3(1.0)), v_Color.a);
}
