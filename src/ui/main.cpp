#include "ui/app.h"

int main(int argc, char** argv) {
  return danvore::ui::RunApplication(argc, argv);
}
