; The draw plug-in as scripts see it: its procedures' interface, the default
; t, the rendering marker and Edit Style Layer removal.

; (name blurb help args values) with args and values as (type name description)
(define qv-timeline-desc "\"C:\\my_timeline.qvt\" or \"timeline_name\"")
(define qv-timeline-desc-rev "\"timeline_name\" or \"C:\\my_timeline.qvt\"")
(define qv-draw-procedures
  (list
   (list "plug-in-qv-path-draw"
         "Draw path with style-attributes at t!"
         "Draw path with style-attributes at t on current drawable!\n t is used by animation-paths ([@...), [@-Script] will run script-fu-qv-batch, image draw and av (=t) variables can be used within the script. t (av) is recalculated along the path!"
         (list (list PDB-IMAGE "image" "Input image")
               (list PDB-STRING "path" "path or keySpline animation path ([@ ...) to draw")
               (list PDB-FLOAT "t" "0.0 <= t <= 1.0 (0=begin, 1=end), used for animation path [@..."))
         '())
   (list "plug-in-qv-path-draw-current-temp"
         "Draws Path with Style-Parasite Attributes on ۞ ESL!"
         "Draws current path on ۞ Edit Style Layer with Style-Attributes, if ۞ ESL does not exist for that path it will be create automatically!"
         (list (list PDB-INT32 "mode" "0  (t=0.5) | 1 use t below")
               (list PDB-IMAGE "image" "Input image")
               (list PDB-DRAWABLE "draw" "unused")
               (list PDB-FLOAT "t" "0.0 < t < 1.0 (used by animations [@...)"))
         '())
   (list "plug-in-qv-path-draw-current"
         "Draws Path with Style-Parasite Attributes on active drawable!"
         "Draws current path on active drawable with Style-Attributes!"
         (list (list PDB-INT32 "mode" "0  (t=0.5) | 1 use t below | 2 use t below, NO UNSET_ESL")
               (list PDB-IMAGE "image" "Input image")
               (list PDB-DRAWABLE "draw" "unused")
               (list PDB-FLOAT "t" "0.0 < t < 1.0 (used by animations [@...)"))
         '())
   (list "plug-in-qv-remove-all-esl-layer"
         "Remove all Edit Style Layers!"
         "Remove all Edit Style Layers!"
         (list (list PDB-INT32 "mode" "0=Interactive | 1=Non-Interactive")
               (list PDB-IMAGE "image" "Input image")
               (list PDB-DRAWABLE "drawable" "Drawable"))
         '())
   (list "plug-in-qv-render-timeline-image"
         "Renders Timeline on original image (flatten image ignored)!"
         "Renders Timeline on original image (flatten image ignored)! \"qv-general-script-before-render\" and \"qv-general-script-after-render\" ignored!"
         (list (list PDB-IMAGE "image" "Input image")
               (list PDB-STRING "timeline" qv-timeline-desc)
               (list PDB-FLOAT "t" "0.0 <= t <= 1.0"))
         (list (list PDB-IMAGE "imageR" "rendered image == input image")))
   (list "plug-in-qv-render-timeline-image-copy"
         "Renders Timeline on copy of image!"
         "Renders Timeline on copy of image and closes opened image by qv_path_draw! \"qv-general-script-before-render\" and \"qv-general-script-after-render\" ignored!"
         (list (list PDB-IMAGE "image" "Input image")
               (list PDB-STRING "timeline" qv-timeline-desc-rev)
               (list PDB-FLOAT "t" "0.0 <= t <= 1.0"))
         (list (list PDB-IMAGE "imageR" "rendered copy of image")))
   (list "plug-in-qv-render-timeline-save"
         "Renders Timeline on copy of image!"
         "Renders Timeline on copy of image, save to disk and delete copy of image!"
         (list (list PDB-INT32 "mode" "0=Interactive, 1=Non-Interactive, 2=Non-Interactive (g_strcompress(input_strings))")
               (list PDB-IMAGE "image" "Input image")
               (list PDB-DRAWABLE "drawable" "unused")
               (list PDB-STRING "timeline" qv-timeline-desc-rev)
               (list PDB-STRING "startframe" "save as e.g. \"C:\\my_frame_007.png\"")
               (list PDB-INT32 "num" "number of frames to render and save"))
         (list (list PDB-INT32 "ret-val" "-1=Cancel, 0=no Timeline, 1=Success")))))

(for-each
 (lambda (proc)
   (let ((name (list-ref proc 0)) (blurb (list-ref proc 1)) (help (list-ref proc 2))
         (args (list-ref proc 3)) (values (list-ref proc 4)))
     (qv-test (string-append name " is registered as documented")
              (lambda () (qv-check-registration name blurb help args values)))))
 qv-draw-procedures)

(qv-test "menu entries are under <Image>/QV Edit | Animate with their labels"
         (lambda ()
           (let ((lines (qv-read-lines (string-append gimp-directory "/pluginrc"))))
             (for-each
              (lambda (entry)
                (let ((def (qv-proc-def-lines lines (car entry))))
                  (qv-check (string-append (car entry) " in pluginrc") def)
                  (if def
                      (begin
                        ; blurb, help, author, copyright, date, then the label
                        (qv-check-equal (string-append (car entry) " label")
                                        (string-append "\"" (cadr entry) "\"") (list-ref def 5))
                        (qv-check-equal (string-append (car entry) " menu")
                                        (caddr entry) (list-ref def 7))))))
              (list (list "plug_in_qv_path_draw" "path-animation-draw" "(icon icon-name -1 \"\")")
                    (list "plug_in_qv_path_draw_current_temp" "5. Draw on ۞ ESL" "(menu-path \"<Image>/QV Edit | Animate\")")
                    (list "plug_in_qv_path_draw_current" "4. Draw Path" "(menu-path \"<Image>/QV Edit | Animate\")")
                    (list "plug_in_qv_remove_all_esl_layer" "6. Remove ۞ ESL" "(menu-path \"<Image>/QV Edit | Animate\")")
                    (list "plug_in_qv_render_timeline_image" "plug_in_qv_render_timeline_image" "(icon icon-name -1 \"\")")
                    (list "plug_in_qv_render_timeline_image_copy" "plug_in_qv_render_timeline_image_copy" "(icon icon-name -1 \"\")")
                    (list "plug_in_qv_render_timeline_save" "3. Render Timeline" "(menu-path \"<Image>/QV Edit | Animate\")"))))))

(qv-test "draw-current in mode 0 creates qv-default-t as 0.5"
         (lambda ()
           (let ((image (qv-new-image 32 32)))
             (qv-add-path image "P" '(1 1 20 20))
             (qv-check "no qv-default-t before"
                       (not (catch #f (gimp-gimprc-query "qv-default-t") #t)))
             (plug-in-qv-path-draw-current 0 image
                                           (car (gimp-image-get-active-drawable image)) 0.0)
             (qv-check-equal "qv-default-t" "0.5" (car (gimp-gimprc-query "qv-default-t")))
             (qv-check "rendering marker cleared"
                       (not (qv-member-string "qv-rendering-in-progress"
                                              (cadr (gimp-get-parasite-list)))))
             (gimp-image-delete image))))

(qv-test "a nested draw leaves the rendering marker and opened images alone"
         (lambda ()
           (let ((image (qv-new-image 32 32))
                 (opened (qv-new-image 8 8)))
             (qv-add-path image "P" '(1 1 20 20))
             (gimp-image-attach-parasite opened '("qv-image-opend-by-qv-path-draw" 1 "abcd"))
             (gimp-attach-parasite '("qv-rendering-in-progress" 0 ""))
             (plug-in-qv-path-draw image "P" 0.5)
             (plug-in-qv-path-draw-current 1 image
                                           (car (gimp-image-get-active-drawable image)) 0.5)
             (qv-check "marker still present"
                       (qv-member-string "qv-rendering-in-progress" (cadr (gimp-get-parasite-list))))
             (qv-check "opened image still open" (= 1 (car (gimp-image-is-valid opened))))
             ; The outermost run owns the marker: once it is gone, a draw closes marked images.
             (gimp-detach-parasite "qv-rendering-in-progress")
             (plug-in-qv-path-draw image "P" 0.5)
             (qv-check "opened image closed by the outermost run" (= 0 (car (gimp-image-is-valid opened))))
             (qv-check "marker cleared by the outermost run"
                       (not (qv-member-string "qv-rendering-in-progress" (cadr (gimp-get-parasite-list)))))
             (gimp-image-delete image))))

(qv-test "remove-all-esl-layer removes ESLs and keeps ordinary layers"
         (lambda ()
           (let* ((image (qv-new-image 32 32))
                  (esl (car (gimp-layer-new image 32 32 RGBA-IMAGE "۞ ESL-5" 100 LAYER-MODE-NORMAL)))
                  (group-esl (car (gimp-layer-new image 32 32 RGBA-IMAGE "{2}۞ Edit Style Layer" 100 LAYER-MODE-NORMAL)))
                  (keep (car (gimp-layer-new image 32 32 RGBA-IMAGE "۞ ESL-5 notes" 100 LAYER-MODE-NORMAL))))
             (gimp-image-insert-layer image esl 0 -1)
             (gimp-image-insert-layer image group-esl 0 -1)
             (gimp-image-insert-layer image keep 0 -1)
             (plug-in-qv-remove-all-esl-layer 1 image esl)
             (qv-check-equal "layers left" 2 (car (gimp-image-get-layers image)))
             (qv-check "ordinary layer kept" (= 1 (car (gimp-item-is-valid keep))))
             (gimp-image-delete image))))

(qv-test "render-timeline-save on an image that is not open returns -1"
         (lambda ()
           (qv-check-equal "ret_val" -1
                           (car (plug-in-qv-render-timeline-save 1 -1 -1 "t" "f.png" 1)))))

(qv-test "unknown path names and bad numbers change nothing"
         (lambda ()
           (let ((image (qv-new-image 16 16)))
             (qv-add-path image "P" '(1 1 10 10))
             (gimp-image-clean-all image)
             (plug-in-qv-path-draw image "no such path" 0.5)
             (qv-check-equal "save with num 0" 0
                             (car (plug-in-qv-render-timeline-save 1 image -1 "t" "f.png" 0)))
             (qv-check-equal "layers" 1 (car (gimp-image-get-layers image)))
             (qv-check-equal "paths" 1 (car (gimp-image-get-vectors image)))
             (qv-check "still clean" (= 0 (car (gimp-image-is-dirty image))))
             (gimp-image-delete image))))
