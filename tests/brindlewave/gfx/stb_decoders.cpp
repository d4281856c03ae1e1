// The PNG and TrueType decoders the tests read the embedded files with.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb/stb_image.h>
#include <stb/stb_truetype.h>
