#include "NetworkManager/CDataAPO.h"

#include <unistd.h>

#include <utility>

namespace TarvoFX {

CDataAPO::~CDataAPO() {
    for (int nFD : vecFDs) {
        close(nFD);
    }
}

std::vector<int> CDataAPO::ReleaseFDs() {
    return std::exchange(vecFDs, {});
}

}  // namespace TarvoFX
