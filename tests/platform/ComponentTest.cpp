#include <gtest/gtest.h>

#include "platform/framework/Component.h"
#include "platform/framework/Exceptions.h"
#include "platform/framework/FormData.h"

using namespace zu;

namespace {

enum TColorMode { cmNone, cmSome, cmAll };

std::vector<std::string>* GLog = nullptr;

class TSettings : public TPersistent {
  ZU_CLASS_INFO
 public:
  int Level() const { return FLevel; }
  void SetLevel(int V) { FLevel = V; }
  const std::vector<std::string>& Files() const { return FFiles; }
  void SetFiles(const std::vector<std::string>& V) { FFiles = V; }
  void Assign(const TPersistent* Source) override {
    if (auto* S = dynamic_cast<const TSettings*>(Source)) {
      FLevel = S->FLevel;
      FFiles = S->FFiles;
      return;
    }
    TPersistent::Assign(Source);
  }

 private:
  int FLevel = 3;
  std::vector<std::string> FFiles;
};

const TClassInfo& TSettings::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TSettings>("TSettings", &TPersistent::StaticClassInfo())
                                     .Int("Level", &TSettings::Level, &TSettings::SetLevel, 3)
                                     .Strings("Files", &TSettings::Files, &TSettings::SetFiles);
  return Info;
}

class TWidgetLike : public TComponent {
  ZU_CLASS_INFO
 public:
  explicit TWidgetLike(TComponent* AOwner) : TComponent(AOwner) {}
  ~TWidgetLike() override {
    if (GLog) GLog->push_back("destroy " + Name() + (IsDestroying() ? " (destroying)" : ""));
  }
  int Delay() const { return FDelay; }
  void SetDelay(int V) {
    FDelay = V;
    if (GLog) GLog->push_back("set Delay while loading=" + std::to_string(IsLoading()));
  }
  bool AutoSet() const { return FAutoSet; }
  void SetAutoSet(bool V) { FAutoSet = V; }
  const std::string& Params() const { return FParams; }
  void SetParams(const std::string& V) { FParams = V; }
  TColorMode Mode() const { return FMode; }
  void SetMode(TColorMode V) { FMode = V; }
  std::int64_t Flags() const { return FFlags; }
  void SetFlags(std::int64_t V) { FFlags = V; }
  double Ratio() const { return FRatio; }
  void SetRatio(double V) { FRatio = V; }
  TSettings* Settings() { return &FSettings; }
  std::string Secret;
  int LoadedCount = 0;
  bool PropsReadBeforeLoaded = false;
  std::function<void()> OnPing;

  void Loaded() override {
    TComponent::Loaded();
    ++LoadedCount;
    PropsReadBeforeLoaded = FDelay != 10000;
  }
  void DefineProperties(TFiler& Filer) override {
    Filer.DefineBinaryProperty(
        "Blob",
        [this](TStream& S) {
          Secret.resize(static_cast<size_t>(S.Size()));
          S.ReadBuffer(Secret.data(), S.Size());
        },
        [this](TStream& S) { S.WriteBuffer(Secret.data(), static_cast<std::int64_t>(Secret.size())); },
        !Secret.empty());
  }

 private:
  int FDelay = 10000;
  bool FAutoSet = true;
  std::string FParams = "/afterupgrade";
  TColorMode FMode = cmNone;
  std::int64_t FFlags = 75;
  double FRatio = 0.5;
  TSettings FSettings;
};

const TClassInfo& TWidgetLike::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TWidgetLike>("TWidgetLike", &TComponent::StaticClassInfo())
          .Int("Delay", &TWidgetLike::Delay, &TWidgetLike::SetDelay, 10000)
          .Bool("AutoSet", &TWidgetLike::AutoSet, &TWidgetLike::SetAutoSet)  // always stored
          .Str("Params", &TWidgetLike::Params, &TWidgetLike::SetParams, std::nullopt,
               [](const TWidgetLike& W) { return W.Params() != "/afterupgrade"; })
          .Enum("Mode", &TWidgetLike::Mode, &TWidgetLike::SetMode, {"cmNone", "cmSome", "cmAll"}, std::optional(cmNone))
          .SetOf("Flags", &TWidgetLike::Flags, &TWidgetLike::SetFlags, {"f0", "f1", "f2", "f3", "f4", "f5", "f6"}, 75)
          .Float("Ratio", &TWidgetLike::Ratio, &TWidgetLike::SetRatio, 0.5)
          .Object("Settings", &TWidgetLike::Settings)
          .Event("OnPing")
          .Creatable();
  return Info;
}

class TRoot : public TComponent {
  ZU_CLASS_INFO
 public:
  TRoot() : TComponent(nullptr) {}
  int Pings = 0;
  bool BindEvent(TComponent* Target, const std::string& Event, const std::string& Method) override {
    auto* W = dynamic_cast<TWidgetLike*>(Target);
    if (!W || Event != "OnPing" || Method != "RootPing") return false;
    W->OnPing = [this] { ++Pings; };
    return true;
  }
};

const TClassInfo& TRoot::StaticClassInfo() {
  static const TClassInfo Info("TRoot", &TComponent::StaticClassInfo());
  return Info;
}

}  // namespace

TEST(Components, OwnerFreesOwnedNewestFirstAllMarkedDestroying) {
  std::vector<std::string> Log;
  GLog = &Log;
  {
    TRoot Root;
    auto* A = new TWidgetLike(&Root);
    A->SetName("A");
    auto* B = new TWidgetLike(&Root);
    B->SetName("B");
    auto* C = new TWidgetLike(&Root);
    C->SetName("C");
    EXPECT_EQ(Root.ComponentCount(), 3);
    delete B;  // a component freed on its own leaves its owner's list
    EXPECT_EQ(Root.ComponentCount(), 2);
    EXPECT_EQ(Root.FindComponent("c"), C) << "names are found ignoring case";
    Log.clear();
  }
  GLog = nullptr;
  EXPECT_EQ(Log, (std::vector<std::string>{"destroy C (destroying)", "destroy A (destroying)"}));
}

TEST(Components, NamesAreIdentifiersUniqueAmongTheOwners) {
  TRoot Root;
  auto* A = new TWidgetLike(&Root);
  A->SetName("zuUpgrdr1");
  auto* B = new TWidgetLike(&Root);
  EXPECT_THROW(B->SetName("ZUUPGRDR1"), EComponentError);
  EXPECT_THROW(B->SetName("1abc"), EComponentError);
  EXPECT_THROW(B->SetName("a b"), EComponentError);
  B->SetName("_ok2");
  EXPECT_EQ(B->Name(), "_ok2");
  A->SetTag(42);
  EXPECT_EQ(A->Tag(), 42);
}

TEST(Components, EmptyAssignRestoresDefaults) {
  TRoot Root;
  auto* W = new TWidgetLike(&Root);
  W->SetDelay(5);
  W->SetMode(cmAll);
  W->SetRatio(2);
  W->Settings()->SetLevel(9);
  W->Settings()->SetFiles({"x"});
  W->Assign(nullptr);
  EXPECT_EQ(W->Delay(), 10000);
  EXPECT_EQ(W->Mode(), cmNone);
  EXPECT_EQ(W->Ratio(), 0.5);
  EXPECT_EQ(W->Settings()->Level(), 3);
  EXPECT_TRUE(W->Settings()->Files().empty());
  EXPECT_EQ(W->Params(), "/afterupgrade") << "no declared default: left alone";
  TSettings S;
  EXPECT_THROW(S.Assign(W), EConvertError);
}

TEST(FormData, DefaultsWriteNothingStoreTestsAndAlwaysStored) {
  TRoot Root;
  Root.SetName("Root");
  auto* W = new TWidgetLike(&Root);
  W->SetName("W");
  const std::string J = WriteComponentToJson(Root);
  EXPECT_NE(J.find("\"AutoSet\": true"), std::string::npos) << J;
  for (const char* Absent : {"Delay", "Params", "Mode", "Flags", "Ratio", "Settings", "Blob", "Tag"})
    EXPECT_EQ(J.find(Absent), std::string::npos) << Absent << " in " << J;
}

TEST(FormData, RoundTripKeepsPublishedValuesAndBinaryData) {
  TRoot Root;
  Root.SetName("Root");
  auto* W = new TWidgetLike(&Root);
  W->SetName("W");
  W->SetDelay(30000);
  W->SetAutoSet(false);
  W->SetParams("/verysilent");
  W->SetMode(cmSome);
  W->SetFlags(0b1000101);
  W->SetRatio(1.25);
  W->SetTag(-7);
  W->Settings()->SetLevel(4);
  W->Settings()->SetFiles({"http://h/a", "http://h/b"});
  W->Secret = std::string("\x00\x01secret\xFF", 9);
  const std::string J = WriteComponentToJson(Root);
  EXPECT_NE(J.find("\"Mode\": \"cmSome\""), std::string::npos) << J;
  EXPECT_NE(J.find("\"f6\""), std::string::npos) << J;

  TRoot Copy;
  ReadComponentFromJson(Copy, J);
  ASSERT_EQ(Copy.ComponentCount(), 1) << "created from its registered class";
  auto* R = dynamic_cast<TWidgetLike*>(Copy.Components(0));
  ASSERT_NE(R, nullptr);
  EXPECT_EQ(R->Name(), "W");
  EXPECT_EQ(R->Delay(), 30000);
  EXPECT_FALSE(R->AutoSet());
  EXPECT_EQ(R->Params(), "/verysilent");
  EXPECT_EQ(R->Mode(), cmSome);
  EXPECT_EQ(R->Flags(), 0b1000101);
  EXPECT_EQ(R->Ratio(), 1.25);
  EXPECT_EQ(R->Tag(), -7);
  EXPECT_EQ(R->Settings()->Level(), 4);
  EXPECT_EQ(R->Settings()->Files(), (std::vector<std::string>{"http://h/a", "http://h/b"}));
  EXPECT_EQ(R->Secret, W->Secret);
  EXPECT_EQ(WriteComponentToJson(Copy), J) << "writing the loaded copy gives the same data";
}

TEST(FormData, LoadedOnceAfterAllPropertiesWithEventsBound) {
  TRoot Root;
  auto* W = new TWidgetLike(&Root);
  W->SetName("W");
  std::vector<std::string> Log;
  GLog = &Log;
  ReadComponentFromJson(Root, R"({"class":"TRoot","name":"",
      "components":[{"class":"TWidgetLike","name":"W","properties":{"Delay":1,"Ratio":3},
                     "events":{"OnPing":"RootPing"}}]})");
  GLog = nullptr;
  EXPECT_EQ(W->LoadedCount, 1);
  EXPECT_TRUE(W->PropsReadBeforeLoaded);
  EXPECT_FALSE(W->IsLoading());
  EXPECT_EQ(Log, std::vector<std::string>{"set Delay while loading=1"});
  ASSERT_TRUE(W->OnPing);
  W->OnPing();
  EXPECT_EQ(Root.Pings, 1);
  EXPECT_EQ(W->EventBindings().at("OnPing"), "RootPing");
  EXPECT_NE(WriteComponentToJson(Root).find("\"OnPing\": \"RootPing\""), std::string::npos);
}

TEST(FormData, BadDataIsAClearError) {
  TRoot Root;
  auto* W = new TWidgetLike(&Root);
  W->SetName("W");
  auto Fails = [&](const std::string& J, const std::string& Part) {
    try {
      ReadComponentFromJson(Root, J);
      ADD_FAILURE() << "no error for " << J;
    } catch (const EReadError& E) {
      EXPECT_NE(std::string(E.what()).find(Part), std::string::npos) << E.what();
    }
  };
  Fails("{not json", "Form data is not valid");
  Fails(R"({"components":[{"class":"TWidgetLike","name":"W","properties":{"Nope":1}}]})", "W.Nope");
  Fails(R"({"components":[{"class":"TWidgetLike","name":"W","properties":{"Delay":"x"}}]})", "W.Delay");
  Fails(R"({"components":[{"class":"TWidgetLike","name":"W","properties":{"Delay":1.5}}]})", "W.Delay");
  Fails(R"({"components":[{"class":"TWidgetLike","name":"W","properties":{"Mode":"cmBogus"}}]})", "W.Mode");
  Fails(R"({"components":[{"class":"TWidgetLike","name":"W","properties":{"Flags":["f9"]}}]})", "W.Flags");
  Fails(R"({"components":[{"class":"TUnknown","name":"X"}]})", "TUnknown");
  Fails(R"({"components":[{"class":"TWidgetLike","name":"W","events":{"OnPing":"Missing"}}]})", "Missing");
  Fails(R"({"components":[{"class":"TWidgetLike","name":"W","binary":{"Other":"AA=="}}]})", "W.Other");
  Fails(R"({"components":[{"class":"TWidgetLike","name":":"}]})", "TWidgetLike");
  EXPECT_FALSE(W->IsLoading()) << "a failed read leaves nothing half-loaded";
  EXPECT_EQ(Root.ComponentCount(), 1) << "nor a component made for it";
}

namespace {
struct TRegister {
  TRegister() { RegisterClass(TWidgetLike::StaticClassInfo()); }
} GRegister;
}  // namespace
