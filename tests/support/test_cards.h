#pragma once

#include "card/card_selection.h"

namespace tintara::test {

// What a view tells the card selection it owns, set by the test: the image's size and the card
// model chosen for marking.
struct TestCardHost : CardSelectionHost {
  TestCardHost() = default;
  TestCardHost(int w, int h, CardModel m) : width(w), height(h), model(m) {}
  int ImageWidth() const override { return width; }
  int ImageHeight() const override { return height; }
  CardModel MarkingCardModel() const override { return model; }

  int width = 400;
  int height = 600;
  CardModel model = CardModel::K7;
};

}  // namespace tintara::test
