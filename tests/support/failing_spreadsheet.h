// A test double of the spreadsheet object model: it wraps the real one and passes every
// call through, except the call that the test picks, which fails with an
// AutomationError as a spreadsheet application would (closed by its user, say). Calls
// are named "Version", "WorkbooksAdd", "SetVisible", "WorksheetsCount", "WorksheetsAdd",
// "Worksheets", "SaveAs", and "<call> <sheet>" for worksheet calls ("SetName Sheet4",
// "SetValue Users!B5", "AutoFit Pages", "Sort Users", ...).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "export/object_model.h"
#include "export/sheet_text.h"

namespace kestrune::test {

class FailingSpreadsheet {
 public:
  using FailWhen = std::function<bool(const std::string& call)>;

  FailingSpreadsheet(std::unique_ptr<Application> inner, FailWhen failWhen)
      : inner_(std::move(inner)), failWhen_(std::move(failWhen)) {}

  // Every call made so far, in order.
  const std::vector<std::string>& Calls() const { return calls_; }
  Application& Inner() { return *inner_; }

  void Call(const std::string& name) {
    calls_.push_back(name);
    if (failWhen_ && failWhen_(name))
      throw AutomationError("The object invoked has disconnected from its clients.");
  }

  class Sheet : public Worksheet {
   public:
    Sheet(FailingSpreadsheet& owner, Worksheet& inner) : owner_(owner), inner_(inner) {}
    Worksheet& Inner() { return inner_; }
    std::string Name() const override { return inner_.Name(); }
    void SetName(const std::string& name) override {
      owner_.Call("SetName " + inner_.Name());
      inner_.SetName(name);
    }
    void Activate() override {
      Here("Activate");
      inner_.Activate();
    }
    CellRange Range(const std::string& address) override {
      Here("Range");
      return CellRange(*this, inner_.Range(address).Area());
    }
    CellRange Columns(const std::string& columns) override {
      Here("Columns");
      return CellRange(*this, inner_.Columns(columns).Area());
    }
    CellRange Cells() override {
      Here("Cells");
      return CellRange(*this, inner_.Cells().Area());
    }
    CellRange Cells(int row, int column) override {
      Here("Cells");
      return CellRange(*this, inner_.Cells(row, column).Area());
    }
    void SetValue(const CellArea& area, std::string_view text) override {
      owner_.Call("SetValue " + inner_.Name() + "!" + ColumnLetters(area.firstColumn) +
                  std::to_string(area.firstRow));
      inner_.SetValue(area, text);
    }
    void AutoFit(const CellArea& area) override {
      Here("AutoFit");
      inner_.AutoFit(area);
    }
    void Select(const CellArea& area) override {
      Here("Select");
      inner_.Select(area);
    }
    void Sort(const CellArea& area, const SortArguments& arguments) override {
      Here("Sort");
      // The keys are ranges of this double: hand the real sheet's ranges on.
      SortArguments inner = arguments;
      for (std::optional<CellRange>* key : {&inner.key1, &inner.key2, &inner.key3})
        if (*key) key->emplace(inner_, (*key)->Area());
      inner_.Sort(area, inner);
    }

   private:
    void Here(const char* call) { owner_.Call(std::string(call) + " " + inner_.Name()); }
    FailingSpreadsheet& owner_;
    Worksheet& inner_;
  };

  class Book : public Workbook {
   public:
    Book(FailingSpreadsheet& owner, Workbook& inner) : owner_(owner), inner_(inner) {}
    int WorksheetsCount() override {
      owner_.Call("WorksheetsCount");
      return inner_.WorksheetsCount();
    }
    Worksheet& WorksheetsAdd(Worksheet* before, Worksheet* after) override {
      owner_.Call("WorksheetsAdd");
      return Wrap(inner_.WorksheetsAdd(Unwrap(before), Unwrap(after)));
    }
    Worksheet& Worksheets(int index) override {
      owner_.Call("Worksheets");
      return Wrap(inner_.Worksheets(index));
    }
    void SaveAs(const std::string& fileName) override {
      owner_.Call("SaveAs");
      inner_.SaveAs(fileName);
    }

   private:
    Worksheet& Wrap(Worksheet& sheet) {
      auto& slot = sheets_[&sheet];
      if (!slot) slot = std::make_unique<Sheet>(owner_, sheet);
      return *slot;
    }
    static Worksheet* Unwrap(Worksheet* sheet) {
      return sheet ? &static_cast<Sheet*>(sheet)->Inner() : nullptr;
    }
    FailingSpreadsheet& owner_;
    Workbook& inner_;
    std::map<Worksheet*, std::unique_ptr<Sheet>> sheets_;
  };

  class App : public Application {
   public:
    explicit App(std::shared_ptr<FailingSpreadsheet> owner) : owner_(std::move(owner)) {}
    std::string Version() override {
      owner_->Call("Version");
      return owner_->Inner().Version();
    }
    Workbook& WorkbooksAdd() override {
      owner_->Call("WorkbooksAdd");
      books_.push_back(std::make_unique<Book>(*owner_, owner_->Inner().WorkbooksAdd()));
      return *books_.back();
    }
    void SetVisible(bool visible) override {
      owner_->Call("SetVisible");
      owner_->Inner().SetVisible(visible);
    }

   private:
    std::shared_ptr<FailingSpreadsheet> owner_;
    std::vector<std::unique_ptr<Book>> books_;
  };

 private:
  std::unique_ptr<Application> inner_;
  FailWhen failWhen_;
  std::vector<std::string> calls_;
};

// A factory for RunWorkbookExport / the window: each application it makes wraps a real
// one from `real` and fails where `failWhen` says; `last` keeps the latest double.
inline std::function<std::unique_ptr<Application>()> FailingFactory(
    std::function<std::unique_ptr<Application>()> real, FailingSpreadsheet::FailWhen failWhen,
    std::shared_ptr<FailingSpreadsheet>* last = nullptr) {
  return [real, failWhen, last]() -> std::unique_ptr<Application> {
    auto owner = std::make_shared<FailingSpreadsheet>(real(), failWhen);
    if (last) *last = owner;
    return std::make_unique<FailingSpreadsheet::App>(owner);
  };
}

}  // namespace kestrune::test
