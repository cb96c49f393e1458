// Prints the library's version banner: the smallest program that uses the library.
#include <iostream>

#include <quorix/QuorixDevice.h>

int main() {
    std::cout << norvik::api::getApiInformation() << std::endl;
    return 0;
}
