#include "console/escape_keys.h"

namespace quillmer::console {

int sequence_code(unsigned char final_byte, int number) {
    switch (final_byte) {
        case 'A':
            return 72;  // up
        case 'B':
            return 80;  // down
        case 'C':
            return 77;  // right
        case 'D':
            return 75;  // left
        case 'H':
            return 71;  // home
        case 'F':
            return 79;  // end
        case 'P':
            return 59;  // F1
        case 'Q':
            return 60;
        case 'R':
            return 61;
        case 'S':
            return 62;  // F4
        case '~':
            switch (number) {
                case 1:
                    return 71;
                case 2:
                    return 82;  // insert
                case 3:
                    return 83;  // delete
                case 4:
                    return 79;
                case 5:
                    return 73;  // page up
                case 6:
                    return 81;  // page down
                default:
                    return 0x80 + (number & 0x3F);
            }
        default:
            return 0xFF;
    }
}

}  // namespace quillmer::console
