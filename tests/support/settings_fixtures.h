// The settings file as a first start writes it: every key in load order,
// with its default; the folder field's default is the data folder.
#pragma once

#include <string>

namespace test_support {

inline std::string FirstStartSettingsFile(const std::string& dataFolder) {
  return "[integer]\n"
         "RGP_Nom_Titre=1\n"
         "RGP_Nom_Artiste=1\n"
         "RGP_Nom_Album=1\n"
         "RGP_Nom_Comment=0\n"
         "RGP_Nom_Date=0\n"
         "RGP_Nom_Track=0\n"
         "RGP_Nom_Genre=0\n"
         "RGP_Nom_Category=0\n"
         "RGP_Tag=0\n"
         "[string]\n"
         "EDT_Nom_Titre_Text=contact@quillon.invalid\n"
         "EDT_Nom_Artist_Text=contact@quillon.invalid\n"
         "EDT_Nom_Album_Text=contact@quillon.invalid\n"
         "EDT_Nom_Comment_Text=contact@quillon.invalid\n"
         "EDT_Nom_Date=2009\n"
         "EDT_Nom_Genre_Text=contact@quillon.invalid\n"
         "CBX_Nom_Genre_List=Rock\n"
         "EDT_Nom_Category_Text=contact@quillon.invalid\n"
         "CBX_Nom_Category_List=BEDS\n"
         "DED_Folder=" +
         dataFolder + "\n";
}

}  // namespace test_support
