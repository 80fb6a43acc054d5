// quillmer: writes a memory file's channels into an ID-91 or ID-92.

#include "app/front_end.h"

int main(int argc, char** argv) {
    return static_cast<int>(quillmer::app::run_program(argc, argv));
}
