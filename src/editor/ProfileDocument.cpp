#include "ProfileDocument.h"

#include "ShapeDlg.h"

void TProfileDocument::Clear() {
  FState.Profile.Clear();
  FState.BgProfile.Clear();
  FState.ShowBackground = false;
  FState.Selected = 0;
  FState.Profile.DetectDeadband();
}

void TProfileDocument::New() {
  TUndoHistory::TStep step(FHistory, FState);
  Clear();
}

bool TProfileDocument::Open(const QString& name) {
  TUndoHistory::TStep step(FHistory, FState);
  return FState.Profile.LoadFromFile(name.toStdString()) == 0;
}

void TProfileDocument::Save() { FState.Profile.SaveToFile(FState.FileName.toStdString()); }

void TProfileDocument::Exchange() {
  TUndoHistory::TStep step(FHistory, FState);
  TSpeedoDevice temp;
  temp.Assign(FState.Profile);
  FState.Profile.Assign(FState.BgProfile);
  FState.BgProfile.Assign(temp);
  FState.ShowBackground = true;
}

void TProfileDocument::Fit() {
  TUndoHistory::TStep step(FHistory, FState);
  FState.Profile.FitCurve(1.5);
}

void TProfileDocument::Shape(const TShape& shape) {
  TUndoHistory::TStep step(FHistory, FState);
  TSpedV4Device& profile = FState.Profile;
  const int level = profile.GetDeadband();
  for (int i = 0; i <= profile.LastIndex(); ++i) profile.SetY(i, shape.Y(profile.GetPoint(i).X));
  profile.FitCurve(1.5);
  profile.SetDeadband(level);
}

bool TProfileDocument::Paste(const QString& text) {
  TUndoHistory::TStep step(FHistory, FState);
  return !text.isEmpty() && FState.Profile.LoadFromText(text.toStdString()) == 0;
}
